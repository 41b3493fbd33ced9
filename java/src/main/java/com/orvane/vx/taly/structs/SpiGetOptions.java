package com.orvane.vx.taly.structs;

/** The private get options: 48 bytes, version 1. */
public final class SpiGetOptions extends NativeStruct {

    public static final String STRUC_ID = "LGTO";
    public static final int VERSION = 1;
    public static final int LENGTH = 48;
    public static final int OPTIONS = 8;
    public static final int MSG_LENGTH = 12;
    public static final int RETURNED_LENGTH = 16;

    public SpiGetOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    public int options() { return getInt(OPTIONS); }
    /** LPIGO_*: overrides the syncpoint and wait choices of the get-message options. */
    public SpiGetOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    public int msgLength() { return getInt(MSG_LENGTH); }
    public int returnedLength() { return getInt(RETURNED_LENGTH); }
}
