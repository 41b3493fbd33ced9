package com.orvane.vx.taly.structs;

/** Option words and values of the private (service-provider) calls, as the runtime's header names them. */
public final class SpiConstants {

    /** Version of every private structure. */
    public static final int LPI_CURRENT_VERSION = 1;
    /** The environment value that stands for none. */
    public static final int LPI_NO_ENVIRONMENT = -1;
    public static final int LPICNO_NONE = 0;

    public static final int LPIPO_NONE = 0;
    /** Put under the unit of work whatever the put-message options say. */
    public static final int LPIPO_SYNCPOINT = 0x1;
    /** Put at once whatever the put-message options say. */
    public static final int LPIPO_NO_SYNCPOINT = 0x2;

    public static final int LPIGO_NONE = 0;
    public static final int LPIGO_SYNCPOINT = 0x1;
    public static final int LPIGO_NO_SYNCPOINT = 0x2;
    /** Do not wait, even when the get-message options ask to. */
    public static final int LPIGO_NO_WAIT = 0x4;

    public static final int LPISPO_COMMIT = 0x1;
    public static final int LPISPO_BACKOUT = 0x2;

    public static final int LPIFLT_EQUAL = 1;
    public static final int LPIFLT_LESS = 2;
    public static final int LPIFLT_GREATER = 3;

    public static final int LPICHLAUTH_ALLOWED = 0;
    public static final int LPICHLAUTH_BLOCKED = 1;

    /** spiDefine's define word: change an existing queue. */
    public static final int LPIDEF_REPLACE = 0;
    /** spiDefine's define word: make a new queue. */
    public static final int LPIDEF_CREATE = 1;

    public static final int LPISCX_NONE = 0;

    /** Adopt-user: the privileged connection vouches for the user. */
    public static final int LPIADU_NONE = 0;
    /** Adopt-user: the security context's password must be the user's. */
    public static final int LPIADU_AUTHENTICATE = 0x1;
    /** Adopt-user: act as the connection's own user again. */
    public static final int LPIADU_RESTORE = 0x2;
    public static final int LPIADU_OUT_TRUSTED = 1;
    public static final int LPIADU_OUT_AUTHENTICATED = 2;
    public static final int LPIADU_OUT_RESTORED = 3;
    /** The adopt-user record's version. */
    public static final int LPIADU_VERSION = 3;
    /** The product identifier adopt-user answers with. */
    public static final String LPI_PRODUCT_IDENTIFIER = "VXRT 1.0    ";

    /** Named subscriptions a publication on the topic would reach. */
    public static final int LPINSO_BY_TOPIC = 1;
    /** Named subscriptions of the name, or of the prefix before a trailing '*'. */
    public static final int LPINSO_BY_NAME = 2;

    public static final int LPISO_NONE = 0;
    /** A resumed subscription gets the retained publications too. */
    public static final int LPISO_RETAINED_AT_RESUME = 0x1;
    public static final int LPISRD_NONE = 0;
    public static final int LPIUS_BY_HANDLE = 1;
    public static final int LPIUS_BY_NAME = 2;

    private SpiConstants() {
    }
}
