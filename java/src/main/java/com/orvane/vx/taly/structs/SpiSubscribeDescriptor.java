package com.orvane.vx.taly.structs;

/** The private subscription descriptor, beside the VXSD: 32 bytes, version 1. */
public final class SpiSubscribeDescriptor extends NativeStruct {

    public static final String STRUC_ID = "LPSD";
    public static final int VERSION = 1;
    public static final int LENGTH = 32;
    public static final int OPTIONS = 8;
    public static final int RETAINED_COUNT = 12;

    /** LPISO_* options. */
    public SpiSubscribeDescriptor(int options) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(OPTIONS, options);
    }

    /** Retained publications the subscribe placed on the destination. */
    public int retainedCount() { return getInt(RETAINED_COUNT); }
}
