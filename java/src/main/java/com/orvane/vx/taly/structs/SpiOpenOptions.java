package com.orvane.vx.taly.structs;

/** The private open options: 32 bytes, version 1; the open options word (VXOO_*) is here. */
public final class SpiOpenOptions extends NativeStruct {

    public static final String STRUC_ID = "LOPO";
    public static final int VERSION = 1;
    public static final int LENGTH = 32;
    public static final int OPTIONS = 8;

    public SpiOpenOptions(int openOptions) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(OPTIONS, openOptions);
    }

    public int options() { return getInt(OPTIONS); }
}
