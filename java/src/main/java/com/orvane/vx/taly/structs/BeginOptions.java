package com.orvane.vx.taly.structs;

/** The begin options (VXBO): 12 bytes, version 1, no options. */
public final class BeginOptions extends NativeStruct {

    public static final String STRUC_ID = "BO  ";
    public static final int VERSION = 1;
    public static final int LENGTH = 12;

    public static final int OPTIONS = 8;

    public BeginOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    public int options() { return getInt(OPTIONS); }
    public BeginOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
}
