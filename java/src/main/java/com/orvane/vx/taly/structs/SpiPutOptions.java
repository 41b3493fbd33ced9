package com.orvane.vx.taly.structs;

/** The private put options: 296 bytes, version 1. */
public final class SpiPutOptions extends NativeStruct {

    public static final String STRUC_ID = "LPPO";
    public static final int VERSION = 1;
    public static final int LENGTH = 296;
    public static final int OPTIONS = 8;
    public static final int MSG_ID = 12;

    public SpiPutOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    public int options() { return getInt(OPTIONS); }
    /** LPIPO_*: overrides the syncpoint choice of the put-message options. */
    public SpiPutOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    /** The identifier of the message put. */
    public byte[] msgId() { return getBytes(MSG_ID, Constants.VX_MSG_ID_LENGTH); }
}
