package com.orvane.vx.taly.structs;

/** The private subscription request descriptor, beside the VXSRO: 16 bytes, version 1. */
public final class SpiSubscriptionRequest extends NativeStruct {

    public static final String STRUC_ID = "LSRD";
    public static final int VERSION = 1;
    public static final int LENGTH = 16;
    public static final int OPTIONS = 8;
    public static final int MATCHED = 12;

    public SpiSubscriptionRequest() {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(MATCHED, -1);
    }

    /** Retained publications the subscription matched; -1 before the call. */
    public int matched() { return getInt(MATCHED); }
}
