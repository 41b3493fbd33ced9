package com.orvane.vx.taly.structs;

/**
 * The security context of adopt-user and map-credentials: 400 bytes, version
 * 1. It carries a user and password in, and the user identifier the user acts
 * under out.
 */
public final class SecurityContext extends NativeStruct {

    public static final String STRUC_ID = "LSCX";
    public static final int VERSION = 1;
    public static final int LENGTH = 400;
    public static final int OPTIONS = 8;
    public static final int USER_ID = 12;
    public static final int USER_ID_LENGTH = 64;
    public static final int PASSWORD = 76;
    public static final int PASSWORD_LENGTH = 256;
    public static final int MAPPED_USER_ID = 332;

    /** user and password may be null for none. */
    public SecurityContext(String user, String password) {
        super(LENGTH, STRUC_ID, VERSION);
        putChars(USER_ID, USER_ID_LENGTH, user == null ? "" : user);
        putChars(PASSWORD, PASSWORD_LENGTH, password == null ? "" : password);
        putChars(MAPPED_USER_ID, Constants.VX_USER_ID_LENGTH, "");
    }

    /** The user identifier the queue manager answered with; blank before. */
    public String mappedUserId() { return getChars(MAPPED_USER_ID, Constants.VX_USER_ID_LENGTH); }
}
