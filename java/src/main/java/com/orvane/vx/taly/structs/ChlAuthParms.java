package com.orvane.vx.taly.structs;

/** A channel-authentication request: 80 bytes, version 1; the queue manager writes its decision. */
public final class ChlAuthParms extends NativeStruct {

    public static final String STRUC_ID = "LCHA";
    public static final int VERSION = 1;
    public static final int LENGTH = 80;
    public static final int DECISION = 8;
    public static final int ADDRESS = 12;
    public static final int USER = 60;

    public ChlAuthParms(String address, String user) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(DECISION, -1);
        putChars(ADDRESS, Constants.VX_NAME_LENGTH, address);
        putChars(USER, Constants.VX_USER_ID_LENGTH, user);
    }

    /** {@link SpiConstants#LPICHLAUTH_ALLOWED} or {@link SpiConstants#LPICHLAUTH_BLOCKED}; -1 before the call. */
    public int decision() { return getInt(DECISION); }
}
