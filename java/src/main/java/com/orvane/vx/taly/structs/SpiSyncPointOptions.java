package com.orvane.vx.taly.structs;

/** The private syncpoint options: 16 bytes, version 1; commit or back out. */
public final class SpiSyncPointOptions extends NativeStruct {

    public static final String STRUC_ID = "LSPO";
    public static final int VERSION = 1;
    public static final int LENGTH = 16;
    public static final int OPTIONS = 8;

    public SpiSyncPointOptions(int options) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(OPTIONS, options);
    }

    public int options() { return getInt(OPTIONS); }
}
