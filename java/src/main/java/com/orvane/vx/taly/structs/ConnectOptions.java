package com.orvane.vx.taly.structs;

import java.nio.charset.StandardCharsets;

/**
 * The connect options (VXCNO, 208 bytes, version 6), optionally followed by
 * security parameters (VXCSP, 48 bytes, version 1) with the user identifier
 * and password after them. The array grows to hold what is set.
 */
public final class ConnectOptions extends NativeStruct {

    public static final String STRUC_ID = "CNO ";
    public static final int VERSION = 6;
    public static final int LENGTH = 208;

    public static final int OPTIONS = 8;
    public static final int APPL_NAME = 12;
    public static final int CONNECTION_ID = 40;
    public static final int SECURITY_PARMS_OFFSET = 180;

    /** Security parameters (VXCSP), at their offset within the connect options. */
    public static final String CSP_STRUC_ID = "CSP ";
    public static final int CSP_VERSION = 1;
    public static final int CSP_LENGTH = 48;
    public static final int CSP_AUTHENTICATION_TYPE = 8;
    public static final int CSP_USER_ID_OFFSET = 32;
    public static final int CSP_USER_ID_LENGTH = 36;
    public static final int CSP_PASSWORD_OFFSET = 40;
    public static final int CSP_PASSWORD_LENGTH = 44;

    public ConnectOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    private ConnectOptions(byte[] bytes) {
        super(bytes);
    }

    public static ConnectOptions of(byte[] bytes) {
        return new ConnectOptions(bytes);
    }

    /** Connect options that carry a user identifier and password. */
    public static ConnectOptions withUser(String applName, String userId, String password) {
        byte[] user = userId.getBytes(StandardCharsets.UTF_8);
        byte[] secret = password.getBytes(StandardCharsets.UTF_8);
        byte[] all = new byte[LENGTH + CSP_LENGTH + user.length + secret.length];
        ConnectOptions cno = new ConnectOptions(all);
        cno.putChars(0, 4, STRUC_ID);
        cno.putInt(4, VERSION);
        cno.setApplName(applName);
        cno.putInt(SECURITY_PARMS_OFFSET, LENGTH);
        int csp = LENGTH;
        cno.putChars(csp, 4, CSP_STRUC_ID);
        cno.putInt(csp + 4, CSP_VERSION);
        cno.putInt(csp + CSP_AUTHENTICATION_TYPE, Constants.VXCSP_AUTH_USER_PASSWORD);
        cno.putInt(csp + CSP_USER_ID_OFFSET, CSP_LENGTH);
        cno.putInt(csp + CSP_USER_ID_LENGTH, user.length);
        cno.putInt(csp + CSP_PASSWORD_OFFSET, CSP_LENGTH + user.length);
        cno.putInt(csp + CSP_PASSWORD_LENGTH, secret.length);
        System.arraycopy(user, 0, all, csp + CSP_LENGTH, user.length);
        System.arraycopy(secret, 0, all, csp + CSP_LENGTH + user.length, secret.length);
        return cno;
    }

    public int options() { return getInt(OPTIONS); }
    public ConnectOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    public String applName() { return getChars(APPL_NAME, 28); }
    public ConnectOptions setApplName(String v) { putChars(APPL_NAME, 28, v); return this; }
    public byte[] connectionId() { return getBytes(CONNECTION_ID, Constants.VX_CONNECTION_ID_LENGTH); }
    public int securityParmsOffset() { return getInt(SECURITY_PARMS_OFFSET); }
}
