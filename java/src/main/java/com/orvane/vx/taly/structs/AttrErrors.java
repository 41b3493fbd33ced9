package com.orvane.vx.taly.structs;

/** The attribute errors of a private definition: 16 bytes, version 1; the first selector refused and why. */
public final class AttrErrors extends NativeStruct {

    public static final String STRUC_ID = "LAER";
    public static final int VERSION = 1;
    public static final int LENGTH = 16;
    public static final int SELECTOR = 8;
    public static final int REASON = 12;

    public AttrErrors() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    /** The first selector refused, 0 for none. */
    public int selector() { return getInt(SELECTOR); }
    public int reason() { return getInt(REASON); }
}
