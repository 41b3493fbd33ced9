package com.orvane.vx.taly.structs;

/**
 * Options, selectors and field values of the native structures, mirroring the
 * runtime's header name for name. Each group's meaning is documented there and
 * in the structure classes of this package.
 */
public final class Constants {

    // Field lengths
    public static final int VX_NAME_LENGTH = 48;
    public static final int VX_MSG_ID_LENGTH = 24;
    public static final int VX_CORREL_ID_LENGTH = 24;
    public static final int VX_FORMAT_LENGTH = 8;
    public static final int VX_USER_ID_LENGTH = 12;
    public static final int VX_APPL_NAME_LENGTH = 28;
    public static final int VX_CONNECTION_ID_LENGTH = 24;

    // Object types
    public static final int VXOT_QUEUE = 1;
    public static final int VXOT_DUMP_SERVICE = 999;

    // Open options
    public static final int VXOO_INPUT_SHARED = 0x1;
    public static final int VXOO_INPUT_EXCLUSIVE = 0x2;
    public static final int VXOO_BROWSE = 0x4;
    public static final int VXOO_OUTPUT = 0x8;
    public static final int VXOO_INQUIRE = 0x10;
    public static final int VXOO_SET = 0x20;

    // Close options
    public static final int VXCO_NONE = 0;
    public static final int VXCO_DELETE = 0x1;

    // Get options; 0x400 is never assigned and is refused
    public static final int VXGMO_NONE = 0;
    public static final int VXGMO_SYNCPOINT = 0x1;
    public static final int VXGMO_NO_SYNCPOINT = 0x2;
    public static final int VXGMO_WAIT = 0x4;
    public static final int VXGMO_ACCEPT_TRUNCATED = 0x8;
    public static final int VXGMO_BROWSE_FIRST = 0x10;
    public static final int VXGMO_BROWSE_NEXT = 0x20;
    public static final int VXGMO_RESERVED = 0x400;
    public static final int VXWI_UNLIMITED = -1;

    // Match options
    public static final int VXMO_NONE = 0;
    public static final int VXMO_MATCH_MSG_ID = 0x1;
    public static final int VXMO_MATCH_CORREL_ID = 0x2;

    // Put options
    public static final int VXPMO_NONE = 0;
    public static final int VXPMO_SYNCPOINT = 0x1;
    public static final int VXPMO_NO_SYNCPOINT = 0x2;
    public static final int VXPMO_NEW_MSG_ID = 0x4;
    public static final int VXPMO_NEW_CORREL_ID = 0x8;

    // Connect and begin options, authentication
    public static final int VXCNO_NONE = 0;
    public static final int VXBO_NONE = 0;
    public static final int VXCSP_AUTH_NONE = 0;
    public static final int VXCSP_AUTH_USER_PASSWORD = 1;
    public static final int VXCSP_MAX_USER_ID_LENGTH = 64;
    public static final int VXCSP_MAX_PASSWORD_LENGTH = 256;

    // Message descriptor values
    public static final int VXMT_DATAGRAM = 1;
    public static final int VXMT_REQUEST = 2;
    public static final int VXMT_REPLY = 3;
    public static final int VXMT_REPORT = 4;
    public static final int VXPRI_AS_QUEUE = -1;
    public static final int VXPRI_LOWEST = 0;
    public static final int VXPRI_HIGHEST = 9;
    public static final int VXPER_AS_QUEUE = -1;
    public static final int VXPER_NOT_PERSISTENT = 0;
    public static final int VXPER_PERSISTENT = 1;
    public static final int VXEXP_UNLIMITED = 0;
    public static final String VXFMT_NONE = "        ";
    public static final String VXFMT_TEXT = "TEXT    ";

    // Selectors; character attributes from VXCA_FIRST, each 48 characters
    public static final int VXIA_CURRENT_DEPTH = 1;
    public static final int VXIA_MAX_DEPTH = 2;
    public static final int VXIA_MAX_MSG_LENGTH = 3;
    public static final int VXIA_INHIBIT_PUT = 4;
    public static final int VXIA_INHIBIT_GET = 5;
    public static final int VXIA_OPEN_INPUT_COUNT = 6;
    public static final int VXIA_OPEN_OUTPUT_COUNT = 7;
    public static final int VXIA_QUEUE_TYPE = 8;
    public static final int VXIA_DEFAULT_PRIORITY = 9;
    public static final int VXIA_DEFAULT_PERSISTENCE = 10;
    public static final int VXCA_FIRST = 1001;
    public static final int VXCA_QUEUE_NAME = 1001;
    public static final int VXCA_QMGR_NAME = 1002;
    public static final int VXCA_QUEUE_DESC = 1003;
    public static final int VX_MAX_SELECTORS = 256;
    public static final int VXINHIBIT_ALLOWED = 0;
    public static final int VXINHIBIT_INHIBITED = 1;
    public static final int VXQT_LOCAL = 1;
    public static final int VXQT_MODEL = 2;
    public static final int VXQT_DYNAMIC = 3;

    // Call numbers reported while a call is in progress on a connection
    public static final int VXCALL_NONE = 0;
    public static final int VXCALL_CONN = 1;
    public static final int VXCALL_DISC = 2;
    public static final int VXCALL_OPEN = 3;
    public static final int VXCALL_CLOSE = 4;
    public static final int VXCALL_PUT = 5;
    public static final int VXCALL_PUT1 = 6;
    public static final int VXCALL_GET = 7;
    public static final int VXCALL_INQ = 8;
    public static final int VXCALL_SET = 9;
    public static final int VXCALL_BEGIN = 10;
    public static final int VXCALL_CMIT = 11;
    public static final int VXCALL_BACK = 12;
    public static final int VXCALL_SUB = 20;
    public static final int VXCALL_SUBRQ = 21;
    public static final int VXCALL_STAT = 22;
    public static final int VXCALL_CRTMH = 23;
    public static final int VXCALL_DLTMH = 24;
    public static final int VXCALL_SETMP = 25;
    public static final int VXCALL_INQMP = 26;
    public static final int VXCALL_DLTMP = 27;
    public static final int VXCALL_MHBUF = 28;
    public static final int VXCALL_BUFMH = 29;

    // Topics and subscriptions: topic strings of levels separated by '/'; in
    // a subscription a level "*" matches one level, "**" any number of levels
    public static final int VXOT_TOPIC = 8;
    public static final int VX_MAX_TOPIC_STRING_LENGTH = 10240;
    public static final int VX_MAX_SUB_NAME_LENGTH = 1024;
    public static final int VX_MAX_STRING_OFFSET = 1024 * 1024;
    public static final int VX_MAX_SUBSCRIPTIONS = 10000;
    public static final int VXSO_CREATE = 0x1;
    public static final int VXSO_RESUME = 0x2;
    public static final int VXSO_DURABLE = 0x4;
    public static final int VXSO_MANAGED = 0x8;
    public static final int VXSO_NEW_PUBLICATIONS_ONLY = 0x10;
    public static final int VXSO_SET_CORREL_ID = 0x20;
    public static final int VXCO_KEEP_SUB = 0x2;
    public static final int VXCO_REMOVE_SUB = 0x4;
    public static final int VXPMO_RETAIN = 0x10;
    public static final int VXSR_RETAINED = 1;
    public static final int VXSRO_NONE = 0;
    public static final int VXSTAT_PUTS = 1;

    // Message properties: types, limits and options
    public static final int VXPT_ANY = 0;
    public static final int VXPT_BOOLEAN = 1;
    public static final int VXPT_BYTES = 2;
    public static final int VXPT_STRING = 3;
    public static final int VXPT_INT8 = 4;
    public static final int VXPT_INT16 = 5;
    public static final int VXPT_INT32 = 6;
    public static final int VXPT_INT64 = 7;
    public static final int VXPT_FLOAT32 = 8;
    public static final int VXPT_FLOAT64 = 9;
    public static final int VX_MAX_PROPERTY_NAME_LENGTH = 128;
    public static final int VX_MAX_PROPERTY_VALUE_LENGTH = 1024 * 1024;
    public static final int VX_MAX_PROPERTIES = 1024;
    public static final int VX_MAX_PROPERTIES_LENGTH = 4 * 1024 * 1024;
    public static final int VX_MAX_MSG_HANDLES = 4096;
    public static final int VXCMHO_NONE = 0;
    public static final int VXDMHO_NONE = 0;
    public static final int VXSMPO_NONE = 0;
    public static final int VXDMPO_NONE = 0;
    public static final int VXPD_NONE = 0;
    public static final int VXIMPO_INQ_FIRST = 0;
    public static final int VXIMPO_INQ_NEXT = 0x1;
    public static final int VXMHBO_NONE = 0;
    public static final int VXBMHO_NONE = 0;
    public static final int VXBMHO_DELETE_PROPERTIES = 0x1;
    /** Format of message data that starts with the buffer form of properties. */
    public static final String VXFMT_PROPERTIES = "VXPROPS ";
    public static final int VXPBH_LENGTH = 24;
    public static final int VXPBR_LENGTH = 16;

    public static final int VXCALL_CB = 13;
    public static final int VXCALL_CTL = 14;
    public static final int VXCALL_CALLBACK = 15;

    // Asynchronous consumption: callback types and options of the callback
    // descriptor, call types and consumer states of the callback context,
    // operations of VXCB and VXCTL, and the control options
    public static final int VXCBT_MESSAGE_CONSUMER = 1;
    public static final int VXCBT_EVENT_HANDLER = 2;
    public static final int VXCBDO_NONE = 0;
    public static final int VXCBD_FULL_MSG_LENGTH = -1;
    public static final int VXCBCT_START_CALL = 1;
    public static final int VXCBCT_STOP_CALL = 2;
    public static final int VXCBCT_REGISTER_CALL = 3;
    public static final int VXCBCT_DEREGISTER_CALL = 4;
    public static final int VXCBCT_EVENT_CALL = 5;
    public static final int VXCBCT_MSG_REMOVED = 6;
    public static final int VXCBCT_MSG_NOT_REMOVED = 7;
    public static final int VXCS_NONE = 0;
    public static final int VXCS_SUSPENDED_USER = 1;
    public static final int VXCS_SUSPENDED_TEMPORARY = 2;
    public static final int VXCS_SUSPENDED = 3;
    public static final int VXCS_STOPPED = 4;
    public static final int VXCBCF_NONE = 0;
    public static final int VXOP_START = 0x1;
    public static final int VXOP_START_WAIT = 0x2;
    public static final int VXOP_STOP = 0x4;
    public static final int VXOP_REGISTER = 0x100;
    public static final int VXOP_DEREGISTER = 0x200;
    public static final int VXOP_SUSPEND = 0x10000;
    public static final int VXOP_RESUME = 0x20000;
    public static final int VXCTLO_NONE = 0;

    private Constants() {
    }
}
