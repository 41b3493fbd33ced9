package com.orvane.vx.taly.structs;

/** The control options of VXCTL (VXCTLO): 12 bytes, version 1, no options. */
public final class ControlOptions extends NativeStruct {

    public static final String STRUC_ID = "CTLO";
    public static final int VERSION = 1;
    public static final int LENGTH = 12;

    public static final int OPTIONS = 8;

    public ControlOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    public int options() { return getInt(OPTIONS); }
    public ControlOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
}
