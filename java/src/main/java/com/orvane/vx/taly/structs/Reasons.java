package com.orvane.vx.taly.structs;

/**
 * Completion codes and reason codes of the native calls, mirroring the
 * runtime's table name for name. 2059, 2071, 2195 and 2219 have fixed
 * meanings; the runtime's own reasons are grouped by hundreds: 30xx
 * connections and handles, 31xx structures, 32xx options and fields, 33xx
 * objects and queues, 34xx messages, 35xx units of work, 36xx private calls,
 * 37xx data conversion, 38xx asynchronous consumption, 39xx the runtime.
 * Topics, subscriptions and message properties take numbers from xx11
 * (30xx), xx21 (31xx, 34xx) and xx31 (32xx, 33xx) on.
 */
public final class Reasons {

    public static final int VXCC_OK = 0;
    public static final int VXCC_WARNING = 1;
    public static final int VXCC_FAILED = 2;

    /** No reason to report. */
    public static final int VXRC_NONE = 0;
    /** The call is not available in this runtime. */
    public static final int VXRC_NOT_AVAILABLE = 2059;
    /** Memory could not be allocated. */
    public static final int VXRC_STORAGE_NOT_AVAILABLE = 2071;
    /** The library found a fault in the call's arguments. */
    public static final int VXRC_UNEXPECTED_ERROR = 2195;
    /** Another call is in progress on the connection. */
    public static final int VXRC_CALL_IN_PROGRESS = 2219;
    /** The connection handle is not a live connection. */
    public static final int VXRC_HCONN_ERROR = 3001;
    /** The object handle is not open on this connection. */
    public static final int VXRC_HOBJ_ERROR = 3002;
    /** The queue-manager name is not this queue manager's. */
    public static final int VXRC_QMGR_NAME_ERROR = 3003;
    /** The user identifier or password was not accepted. */
    public static final int VXRC_NOT_AUTHORIZED = 3004;
    /** Too many connections are open. */
    public static final int VXRC_CONNECTION_LIMIT = 3005;
    /** Too many objects are open on the connection. */
    public static final int VXRC_HANDLE_LIMIT = 3006;
    /** The subscription handle is not open on this connection. */
    public static final int VXRC_HSUB_ERROR = 3011;
    /** The message handle is not a live handle of this connection. */
    public static final int VXRC_HMSG_ERROR = 3012;
    /** The connection holds its maximum of message handles. */
    public static final int VXRC_MSG_HANDLE_LIMIT = 3013;
    /** The message descriptor is null or not valid. */
    public static final int VXRC_MD_ERROR = 3101;
    /** The get-message options are null or not valid. */
    public static final int VXRC_GMO_ERROR = 3102;
    /** The put-message options are null or not valid. */
    public static final int VXRC_PMO_ERROR = 3103;
    /** The object descriptor is null or not valid. */
    public static final int VXRC_OD_ERROR = 3104;
    /** The connect options are not valid. */
    public static final int VXRC_CNO_ERROR = 3105;
    /** The security parameters are not valid. */
    public static final int VXRC_CSP_ERROR = 3106;
    /** The begin options are not valid. */
    public static final int VXRC_BO_ERROR = 3107;
    /** The subscription descriptor is null or not valid. */
    public static final int VXRC_SD_ERROR = 3121;
    /** The subscription request options are not valid. */
    public static final int VXRC_SRO_ERROR = 3122;
    /** The status structure is null or not valid. */
    public static final int VXRC_STS_ERROR = 3123;
    /** The create-message-handle options are not valid. */
    public static final int VXRC_CMHO_ERROR = 3124;
    /** The delete-message-handle options are not valid. */
    public static final int VXRC_DMHO_ERROR = 3125;
    /** The set-property options are not valid. */
    public static final int VXRC_SMPO_ERROR = 3126;
    /** The inquire-property options are not valid. */
    public static final int VXRC_IMPO_ERROR = 3127;
    /** The delete-property options are not valid. */
    public static final int VXRC_DMPO_ERROR = 3128;
    /** The property descriptor is not valid. */
    public static final int VXRC_PD_ERROR = 3129;
    /** The handle-to-buffer options are not valid. */
    public static final int VXRC_MHBO_ERROR = 3130;
    /** The buffer-to-handle options are not valid. */
    public static final int VXRC_BMHO_ERROR = 3131;
    /** The open options are not valid. */
    public static final int VXRC_OPEN_OPTIONS_ERROR = 3201;
    /** The get options are not valid. */
    public static final int VXRC_GET_OPTIONS_ERROR = 3202;
    /** The put options are not valid. */
    public static final int VXRC_PUT_OPTIONS_ERROR = 3203;
    /** The close options are not valid for this object. */
    public static final int VXRC_CLOSE_OPTIONS_ERROR = 3204;
    /** The connect options word is not valid. */
    public static final int VXRC_CONNECT_OPTIONS_ERROR = 3205;
    /** The begin options word is not valid. */
    public static final int VXRC_BEGIN_OPTIONS_ERROR = 3206;
    /** The match options are not valid. */
    public static final int VXRC_MATCH_OPTIONS_ERROR = 3207;
    /** The wait interval is not valid. */
    public static final int VXRC_WAIT_INTERVAL_ERROR = 3208;
    /** The priority is not valid. */
    public static final int VXRC_PRIORITY_ERROR = 3209;
    /** The persistence is not valid. */
    public static final int VXRC_PERSISTENCE_ERROR = 3210;
    /** The expiry is not valid. */
    public static final int VXRC_EXPIRY_ERROR = 3211;
    /** The buffer address is null. */
    public static final int VXRC_BUFFER_ERROR = 3212;
    /** The buffer length is negative. */
    public static final int VXRC_BUFFER_LENGTH_ERROR = 3213;
    /** The data-length address is null. */
    public static final int VXRC_DATA_LENGTH_ERROR = 3214;
    /** The selector count is not valid. */
    public static final int VXRC_SELECTOR_COUNT_ERROR = 3215;
    /** A selector is unknown, or the selectors are null. */
    public static final int VXRC_SELECTOR_ERROR = 3216;
    /** Too few integer attributes for the selectors. */
    public static final int VXRC_INT_ATTR_COUNT_ERROR = 3217;
    /** Too few character-attribute bytes. */
    public static final int VXRC_CHAR_ATTR_LENGTH_ERROR = 3218;
    /** A selector names an attribute that cannot be set. */
    public static final int VXRC_ATTR_NOT_SETTABLE = 3219;
    /** An attribute value is not valid. */
    public static final int VXRC_ATTR_VALUE_ERROR = 3220;
    /** The subscription options are not valid. */
    public static final int VXRC_SUB_OPTIONS_ERROR = 3231;
    /** The subscription request action is not valid. */
    public static final int VXRC_SUBRQ_ACTION_ERROR = 3232;
    /** The status type is not valid. */
    public static final int VXRC_STATUS_TYPE_ERROR = 3233;
    /** The handle or property options word is not valid. */
    public static final int VXRC_PROPERTY_OPTIONS_ERROR = 3234;
    /** The topic string is missing, too long or not valid. */
    public static final int VXRC_TOPIC_STRING_ERROR = 3235;
    /** The subscription name is missing, too long or not valid. */
    public static final int VXRC_SUB_NAME_ERROR = 3236;
    /** The property name is missing, too long or not valid. */
    public static final int VXRC_PROPERTY_NAME_ERROR = 3237;
    /** The property type is unknown or not the one asked for. */
    public static final int VXRC_PROPERTY_TYPE_ERROR = 3238;
    /** The value is null or its length does not fit. */
    public static final int VXRC_PROPERTY_VALUE_ERROR = 3239;
    /** No object has that name. */
    public static final int VXRC_UNKNOWN_OBJECT_NAME = 3301;
    /** The object type is not valid. */
    public static final int VXRC_OBJECT_TYPE_ERROR = 3302;
    /** The object is open in a way that rules this out. */
    public static final int VXRC_OBJECT_IN_USE = 3303;
    /** Puts to the queue are inhibited. */
    public static final int VXRC_PUT_INHIBITED = 3304;
    /** Gets from the queue are inhibited. */
    public static final int VXRC_GET_INHIBITED = 3305;
    /** The object is not open for input. */
    public static final int VXRC_NOT_OPEN_FOR_INPUT = 3306;
    /** The object is not open for output. */
    public static final int VXRC_NOT_OPEN_FOR_OUTPUT = 3307;
    /** The object is not open for browse. */
    public static final int VXRC_NOT_OPEN_FOR_BROWSE = 3308;
    /** The object is not open for inquire. */
    public static final int VXRC_NOT_OPEN_FOR_INQUIRE = 3309;
    /** The object is not open for set. */
    public static final int VXRC_NOT_OPEN_FOR_SET = 3310;
    /** The dynamic queue name is not valid or already used. */
    public static final int VXRC_DYNAMIC_NAME_ERROR = 3311;
    /** The queue holds its maximum depth. */
    public static final int VXRC_QUEUE_FULL = 3312;
    /** The message is longer than the queue allows. */
    public static final int VXRC_MSG_TOO_BIG_FOR_QUEUE = 3313;
    /** The queue has been deleted. */
    public static final int VXRC_OBJECT_DELETED = 3314;
    /** A model queue cannot be used this way. */
    public static final int VXRC_MODEL_QUEUE_ERROR = 3315;
    /** No subscription has that name. */
    public static final int VXRC_NO_SUBSCRIPTION = 3331;
    /** A subscription of that name exists already. */
    public static final int VXRC_DUPLICATE_SUBSCRIPTION = 3332;
    /** The subscription is open on a connection. */
    public static final int VXRC_SUBSCRIPTION_IN_USE = 3333;
    /** The queue manager holds its maximum of subscriptions. */
    public static final int VXRC_SUBSCRIPTION_LIMIT = 3334;
    /** The destination is not a queue open on this connection. */
    public static final int VXRC_DESTINATION_ERROR = 3335;
    /** The queue belongs to a subscription and goes with it. */
    public static final int VXRC_MANAGED_QUEUE = 3336;
    /** No message is available. */
    public static final int VXRC_NO_MSG_AVAILABLE = 3401;
    /** The message was longer than the buffer; removed. */
    public static final int VXRC_TRUNCATED_MSG_ACCEPTED = 3402;
    /** The message is longer than the buffer; it stays. */
    public static final int VXRC_TRUNCATED_MSG_FAILED = 3403;
    /** The publication missed some matching subscriptions. */
    public static final int VXRC_NOT_ALL_DELIVERED = 3421;
    /** No retained publication matches the subscription. */
    public static final int VXRC_NO_RETAINED_MSG = 3422;
    /** No property, or no further one, matches the name. */
    public static final int VXRC_PROPERTY_NOT_AVAILABLE = 3423;
    /** The value was longer than the buffer; cut. */
    public static final int VXRC_PROPERTY_VALUE_TRUNCATED = 3424;
    /** The buffer is too short for the properties. */
    public static final int VXRC_PROPERTIES_TOO_BIG = 3425;
    /** The handle holds its maximum number or size of properties. */
    public static final int VXRC_PROPERTY_LIMIT = 3426;
    /** The buffer does not start with valid properties. */
    public static final int VXRC_PROPERTIES_BUFFER_ERROR = 3427;
    /** A unit of work is already in progress. */
    public static final int VXRC_UOW_IN_PROGRESS = 3501;
    /** The unit of work holds its maximum number of messages. */
    public static final int VXRC_SYNCPOINT_LIMIT = 3502;
    /** Disconnect backed out the open unit of work. */
    public static final int VXRC_BACKED_OUT_AT_DISCONNECT = 3503;
    /** The syncpoint work belongs to an XA transaction branch. */
    public static final int VXRC_GLOBAL_UOW_ACTIVE = 3504;
    /** The connection was not made by the privileged connect. */
    public static final int VXRC_NOT_PRIVILEGED = 3601;
    /** The environment value is not valid. */
    public static final int VXRC_ENVIRONMENT_ERROR = 3602;
    /** This queue manager does not support the call. */
    public static final int VXRC_FUNCTION_NOT_SUPPORTED = 3603;
    /** The private options are null or not valid. */
    public static final int VXRC_SPI_OPTIONS_ERROR = 3604;
    /** The object selector is null or not valid. */
    public static final int VXRC_OBJECT_SELECTOR_ERROR = 3605;
    /** An object of that name exists already. */
    public static final int VXRC_OBJECT_ALREADY_EXISTS = 3606;
    /** The like object is not a queue of this queue manager. */
    public static final int VXRC_LIKE_OBJECT_ERROR = 3607;
    /** The queue holds messages and purge was not asked. */
    public static final int VXRC_QUEUE_NOT_EMPTY = 3608;
    /** The filter element is not valid. */
    public static final int VXRC_FILTER_ERROR = 3609;
    /** The object does not match the filter. */
    public static final int VXRC_FILTER_NOT_MATCHED = 3610;
    /** The security context is null or not valid. */
    public static final int VXRC_SECURITY_CONTEXT_ERROR = 3611;
    /** The adopt-user record or its options are not valid. */
    public static final int VXRC_ADOPT_USER_ERROR = 3612;
    /** The user identifier is empty or too long. */
    public static final int VXRC_USER_ID_ERROR = 3613;
    /** The user is not one of the queue manager's users. */
    public static final int VXRC_UNKNOWN_USER = 3614;
    /** The password is not the user's. */
    public static final int VXRC_PASSWORD_ERROR = 3615;
    /** More named subscriptions than the buffer holds. */
    public static final int VXRC_SUBSCRIBER_LIST_TRUNCATED = 3616;
    /** The converted data did not fit; it was cut. */
    public static final int VXRC_CONVERTED_DATA_TRUNCATED = 3701;
    /** No conversion between these character sets. */
    public static final int VXRC_CCSID_NOT_SUPPORTED = 3702;
    /** The message format is not text. */
    public static final int VXRC_FORMAT_NOT_CONVERTIBLE = 3703;
    /** The callback descriptor is null or not valid. */
    public static final int VXRC_CBD_ERROR = 3801;
    /** The control options are not valid. */
    public static final int VXRC_CTLO_ERROR = 3802;
    /** The operation is not valid for this call. */
    public static final int VXRC_OPERATION_ERROR = 3803;
    /** The callback type is not valid here. */
    public static final int VXRC_CALLBACK_TYPE_ERROR = 3804;
    /** The callback descriptor's options are not valid. */
    public static final int VXRC_CALLBACK_OPTIONS_ERROR = 3805;
    /** The callback function is null. */
    public static final int VXRC_CALLBACK_FUNCTION_ERROR = 3806;
    /** The maximum message length is not valid. */
    public static final int VXRC_MAX_MSG_LENGTH_ERROR = 3807;
    /** No such callback is registered. */
    public static final int VXRC_CALLBACK_NOT_REGISTERED = 3808;
    /** No message consumer is registered to wait for. */
    public static final int VXRC_NO_CALLBACKS_ACTIVE = 3809;
    /** The call cannot be made from inside a callback. */
    public static final int VXRC_CALLBACK_CALL_ERROR = 3810;
    /** The runtime failed unexpectedly. */
    public static final int VXRC_INTERNAL_ERROR = 3901;
    /** The configuration file is missing or has a bad line. */
    public static final int VXRC_CONFIGURATION_ERROR = 3902;
    /** The connection to the queue manager's database was lost. */
    public static final int VXRC_CONNECTION_BROKEN = 3911;
    /** The queue manager's database cannot be used. */
    public static final int VXRC_STORE_NOT_AVAILABLE = 3912;
    /** The database holds a queue-manager schema not this one's. */
    public static final int VXRC_STORE_SCHEMA_ERROR = 3913;
    /** The queue manager's database refused a statement. */
    public static final int VXRC_STORE_ERROR = 3914;

    private static final Object[][] TABLE = {
        {VXRC_NONE, "VXRC_NONE", "no reason to report"},
        {VXRC_NOT_AVAILABLE, "VXRC_NOT_AVAILABLE", "the call is not available in this runtime"},
        {VXRC_STORAGE_NOT_AVAILABLE, "VXRC_STORAGE_NOT_AVAILABLE", "memory could not be allocated"},
        {VXRC_UNEXPECTED_ERROR, "VXRC_UNEXPECTED_ERROR", "the library found a fault in the call's arguments"},
        {VXRC_CALL_IN_PROGRESS, "VXRC_CALL_IN_PROGRESS", "another call is in progress on the connection"},
        {VXRC_HCONN_ERROR, "VXRC_HCONN_ERROR", "the connection handle is not a live connection"},
        {VXRC_HOBJ_ERROR, "VXRC_HOBJ_ERROR", "the object handle is not open on this connection"},
        {VXRC_QMGR_NAME_ERROR, "VXRC_QMGR_NAME_ERROR", "the queue-manager name is not this queue manager's"},
        {VXRC_NOT_AUTHORIZED, "VXRC_NOT_AUTHORIZED", "the user identifier or password was not accepted"},
        {VXRC_CONNECTION_LIMIT, "VXRC_CONNECTION_LIMIT", "too many connections are open"},
        {VXRC_HANDLE_LIMIT, "VXRC_HANDLE_LIMIT", "too many objects are open on the connection"},
        {VXRC_HSUB_ERROR, "VXRC_HSUB_ERROR", "the subscription handle is not open on this connection"},
        {VXRC_HMSG_ERROR, "VXRC_HMSG_ERROR", "the message handle is not a live handle of this connection"},
        {VXRC_MSG_HANDLE_LIMIT, "VXRC_MSG_HANDLE_LIMIT", "the connection holds its maximum of message handles"},
        {VXRC_MD_ERROR, "VXRC_MD_ERROR", "the message descriptor is null or not valid"},
        {VXRC_GMO_ERROR, "VXRC_GMO_ERROR", "the get-message options are null or not valid"},
        {VXRC_PMO_ERROR, "VXRC_PMO_ERROR", "the put-message options are null or not valid"},
        {VXRC_OD_ERROR, "VXRC_OD_ERROR", "the object descriptor is null or not valid"},
        {VXRC_CNO_ERROR, "VXRC_CNO_ERROR", "the connect options are not valid"},
        {VXRC_CSP_ERROR, "VXRC_CSP_ERROR", "the security parameters are not valid"},
        {VXRC_BO_ERROR, "VXRC_BO_ERROR", "the begin options are not valid"},
        {VXRC_SD_ERROR, "VXRC_SD_ERROR", "the subscription descriptor is null or not valid"},
        {VXRC_SRO_ERROR, "VXRC_SRO_ERROR", "the subscription request options are not valid"},
        {VXRC_STS_ERROR, "VXRC_STS_ERROR", "the status structure is null or not valid"},
        {VXRC_CMHO_ERROR, "VXRC_CMHO_ERROR", "the create-message-handle options are not valid"},
        {VXRC_DMHO_ERROR, "VXRC_DMHO_ERROR", "the delete-message-handle options are not valid"},
        {VXRC_SMPO_ERROR, "VXRC_SMPO_ERROR", "the set-property options are not valid"},
        {VXRC_IMPO_ERROR, "VXRC_IMPO_ERROR", "the inquire-property options are not valid"},
        {VXRC_DMPO_ERROR, "VXRC_DMPO_ERROR", "the delete-property options are not valid"},
        {VXRC_PD_ERROR, "VXRC_PD_ERROR", "the property descriptor is not valid"},
        {VXRC_MHBO_ERROR, "VXRC_MHBO_ERROR", "the handle-to-buffer options are not valid"},
        {VXRC_BMHO_ERROR, "VXRC_BMHO_ERROR", "the buffer-to-handle options are not valid"},
        {VXRC_OPEN_OPTIONS_ERROR, "VXRC_OPEN_OPTIONS_ERROR", "the open options are not valid"},
        {VXRC_GET_OPTIONS_ERROR, "VXRC_GET_OPTIONS_ERROR", "the get options are not valid"},
        {VXRC_PUT_OPTIONS_ERROR, "VXRC_PUT_OPTIONS_ERROR", "the put options are not valid"},
        {VXRC_CLOSE_OPTIONS_ERROR, "VXRC_CLOSE_OPTIONS_ERROR", "the close options are not valid for this object"},
        {VXRC_CONNECT_OPTIONS_ERROR, "VXRC_CONNECT_OPTIONS_ERROR", "the connect options word is not valid"},
        {VXRC_BEGIN_OPTIONS_ERROR, "VXRC_BEGIN_OPTIONS_ERROR", "the begin options word is not valid"},
        {VXRC_MATCH_OPTIONS_ERROR, "VXRC_MATCH_OPTIONS_ERROR", "the match options are not valid"},
        {VXRC_WAIT_INTERVAL_ERROR, "VXRC_WAIT_INTERVAL_ERROR", "the wait interval is not valid"},
        {VXRC_PRIORITY_ERROR, "VXRC_PRIORITY_ERROR", "the priority is not valid"},
        {VXRC_PERSISTENCE_ERROR, "VXRC_PERSISTENCE_ERROR", "the persistence is not valid"},
        {VXRC_EXPIRY_ERROR, "VXRC_EXPIRY_ERROR", "the expiry is not valid"},
        {VXRC_BUFFER_ERROR, "VXRC_BUFFER_ERROR", "the buffer address is null"},
        {VXRC_BUFFER_LENGTH_ERROR, "VXRC_BUFFER_LENGTH_ERROR", "the buffer length is negative"},
        {VXRC_DATA_LENGTH_ERROR, "VXRC_DATA_LENGTH_ERROR", "the data-length address is null"},
        {VXRC_SELECTOR_COUNT_ERROR, "VXRC_SELECTOR_COUNT_ERROR", "the selector count is not valid"},
        {VXRC_SELECTOR_ERROR, "VXRC_SELECTOR_ERROR", "a selector is unknown, or the selectors are null"},
        {VXRC_INT_ATTR_COUNT_ERROR, "VXRC_INT_ATTR_COUNT_ERROR", "too few integer attributes for the selectors"},
        {VXRC_CHAR_ATTR_LENGTH_ERROR, "VXRC_CHAR_ATTR_LENGTH_ERROR", "too few character-attribute bytes"},
        {VXRC_ATTR_NOT_SETTABLE, "VXRC_ATTR_NOT_SETTABLE", "a selector names an attribute that cannot be set"},
        {VXRC_ATTR_VALUE_ERROR, "VXRC_ATTR_VALUE_ERROR", "an attribute value is not valid"},
        {VXRC_SUB_OPTIONS_ERROR, "VXRC_SUB_OPTIONS_ERROR", "the subscription options are not valid"},
        {VXRC_SUBRQ_ACTION_ERROR, "VXRC_SUBRQ_ACTION_ERROR", "the subscription request action is not valid"},
        {VXRC_STATUS_TYPE_ERROR, "VXRC_STATUS_TYPE_ERROR", "the status type is not valid"},
        {VXRC_PROPERTY_OPTIONS_ERROR, "VXRC_PROPERTY_OPTIONS_ERROR", "the handle or property options word is not valid"},
        {VXRC_TOPIC_STRING_ERROR, "VXRC_TOPIC_STRING_ERROR", "the topic string is missing, too long or not valid"},
        {VXRC_SUB_NAME_ERROR, "VXRC_SUB_NAME_ERROR", "the subscription name is missing, too long or not valid"},
        {VXRC_PROPERTY_NAME_ERROR, "VXRC_PROPERTY_NAME_ERROR", "the property name is missing, too long or not valid"},
        {VXRC_PROPERTY_TYPE_ERROR, "VXRC_PROPERTY_TYPE_ERROR", "the property type is unknown or not the one asked for"},
        {VXRC_PROPERTY_VALUE_ERROR, "VXRC_PROPERTY_VALUE_ERROR", "the value is null or its length does not fit"},
        {VXRC_UNKNOWN_OBJECT_NAME, "VXRC_UNKNOWN_OBJECT_NAME", "no object has that name"},
        {VXRC_OBJECT_TYPE_ERROR, "VXRC_OBJECT_TYPE_ERROR", "the object type is not valid"},
        {VXRC_OBJECT_IN_USE, "VXRC_OBJECT_IN_USE", "the object is open in a way that rules this out"},
        {VXRC_PUT_INHIBITED, "VXRC_PUT_INHIBITED", "puts to the queue are inhibited"},
        {VXRC_GET_INHIBITED, "VXRC_GET_INHIBITED", "gets from the queue are inhibited"},
        {VXRC_NOT_OPEN_FOR_INPUT, "VXRC_NOT_OPEN_FOR_INPUT", "the object is not open for input"},
        {VXRC_NOT_OPEN_FOR_OUTPUT, "VXRC_NOT_OPEN_FOR_OUTPUT", "the object is not open for output"},
        {VXRC_NOT_OPEN_FOR_BROWSE, "VXRC_NOT_OPEN_FOR_BROWSE", "the object is not open for browse"},
        {VXRC_NOT_OPEN_FOR_INQUIRE, "VXRC_NOT_OPEN_FOR_INQUIRE", "the object is not open for inquire"},
        {VXRC_NOT_OPEN_FOR_SET, "VXRC_NOT_OPEN_FOR_SET", "the object is not open for set"},
        {VXRC_DYNAMIC_NAME_ERROR, "VXRC_DYNAMIC_NAME_ERROR", "the dynamic queue name is not valid or already used"},
        {VXRC_QUEUE_FULL, "VXRC_QUEUE_FULL", "the queue holds its maximum depth"},
        {VXRC_MSG_TOO_BIG_FOR_QUEUE, "VXRC_MSG_TOO_BIG_FOR_QUEUE", "the message is longer than the queue allows"},
        {VXRC_OBJECT_DELETED, "VXRC_OBJECT_DELETED", "the queue has been deleted"},
        {VXRC_MODEL_QUEUE_ERROR, "VXRC_MODEL_QUEUE_ERROR", "a model queue cannot be used this way"},
        {VXRC_NO_SUBSCRIPTION, "VXRC_NO_SUBSCRIPTION", "no subscription has that name"},
        {VXRC_DUPLICATE_SUBSCRIPTION, "VXRC_DUPLICATE_SUBSCRIPTION", "a subscription of that name exists already"},
        {VXRC_SUBSCRIPTION_IN_USE, "VXRC_SUBSCRIPTION_IN_USE", "the subscription is open on a connection"},
        {VXRC_SUBSCRIPTION_LIMIT, "VXRC_SUBSCRIPTION_LIMIT", "the queue manager holds its maximum of subscriptions"},
        {VXRC_DESTINATION_ERROR, "VXRC_DESTINATION_ERROR", "the destination is not a queue open on this connection"},
        {VXRC_MANAGED_QUEUE, "VXRC_MANAGED_QUEUE", "the queue belongs to a subscription and goes with it"},
        {VXRC_NO_MSG_AVAILABLE, "VXRC_NO_MSG_AVAILABLE", "no message is available"},
        {VXRC_TRUNCATED_MSG_ACCEPTED, "VXRC_TRUNCATED_MSG_ACCEPTED", "the message was longer than the buffer; removed"},
        {VXRC_TRUNCATED_MSG_FAILED, "VXRC_TRUNCATED_MSG_FAILED", "the message is longer than the buffer; it stays"},
        {VXRC_NOT_ALL_DELIVERED, "VXRC_NOT_ALL_DELIVERED", "the publication missed some matching subscriptions"},
        {VXRC_NO_RETAINED_MSG, "VXRC_NO_RETAINED_MSG", "no retained publication matches the subscription"},
        {VXRC_PROPERTY_NOT_AVAILABLE, "VXRC_PROPERTY_NOT_AVAILABLE", "no property, or no further one, matches the name"},
        {VXRC_PROPERTY_VALUE_TRUNCATED, "VXRC_PROPERTY_VALUE_TRUNCATED", "the value was longer than the buffer; cut"},
        {VXRC_PROPERTIES_TOO_BIG, "VXRC_PROPERTIES_TOO_BIG", "the buffer is too short for the properties"},
        {VXRC_PROPERTY_LIMIT, "VXRC_PROPERTY_LIMIT", "the handle holds its maximum number or size of properties"},
        {VXRC_PROPERTIES_BUFFER_ERROR, "VXRC_PROPERTIES_BUFFER_ERROR", "the buffer does not start with valid properties"},
        {VXRC_UOW_IN_PROGRESS, "VXRC_UOW_IN_PROGRESS", "a unit of work is already in progress"},
        {VXRC_SYNCPOINT_LIMIT, "VXRC_SYNCPOINT_LIMIT", "the unit of work holds its maximum number of messages"},
        {VXRC_BACKED_OUT_AT_DISCONNECT, "VXRC_BACKED_OUT_AT_DISCONNECT", "disconnect backed out the open unit of work"},
        {VXRC_GLOBAL_UOW_ACTIVE, "VXRC_GLOBAL_UOW_ACTIVE", "the syncpoint work belongs to an XA transaction branch"},
        {VXRC_NOT_PRIVILEGED, "VXRC_NOT_PRIVILEGED", "the connection was not made by the privileged connect"},
        {VXRC_ENVIRONMENT_ERROR, "VXRC_ENVIRONMENT_ERROR", "the environment value is not valid"},
        {VXRC_FUNCTION_NOT_SUPPORTED, "VXRC_FUNCTION_NOT_SUPPORTED", "this queue manager does not support the call"},
        {VXRC_SPI_OPTIONS_ERROR, "VXRC_SPI_OPTIONS_ERROR", "the private options are null or not valid"},
        {VXRC_OBJECT_SELECTOR_ERROR, "VXRC_OBJECT_SELECTOR_ERROR", "the object selector is null or not valid"},
        {VXRC_OBJECT_ALREADY_EXISTS, "VXRC_OBJECT_ALREADY_EXISTS", "an object of that name exists already"},
        {VXRC_LIKE_OBJECT_ERROR, "VXRC_LIKE_OBJECT_ERROR", "the like object is not a queue of this queue manager"},
        {VXRC_QUEUE_NOT_EMPTY, "VXRC_QUEUE_NOT_EMPTY", "the queue holds messages and purge was not asked"},
        {VXRC_FILTER_ERROR, "VXRC_FILTER_ERROR", "the filter element is not valid"},
        {VXRC_FILTER_NOT_MATCHED, "VXRC_FILTER_NOT_MATCHED", "the object does not match the filter"},
        {VXRC_SECURITY_CONTEXT_ERROR, "VXRC_SECURITY_CONTEXT_ERROR", "the security context is null or not valid"},
        {VXRC_ADOPT_USER_ERROR, "VXRC_ADOPT_USER_ERROR", "the adopt-user record or its options are not valid"},
        {VXRC_USER_ID_ERROR, "VXRC_USER_ID_ERROR", "the user identifier is empty or too long"},
        {VXRC_UNKNOWN_USER, "VXRC_UNKNOWN_USER", "the user is not one of the queue manager's users"},
        {VXRC_PASSWORD_ERROR, "VXRC_PASSWORD_ERROR", "the password is not the user's"},
        {VXRC_SUBSCRIBER_LIST_TRUNCATED, "VXRC_SUBSCRIBER_LIST_TRUNCATED", "more named subscriptions than the buffer holds"},
        {VXRC_CONVERTED_DATA_TRUNCATED, "VXRC_CONVERTED_DATA_TRUNCATED", "the converted data did not fit; it was cut"},
        {VXRC_CCSID_NOT_SUPPORTED, "VXRC_CCSID_NOT_SUPPORTED", "no conversion between these character sets"},
        {VXRC_FORMAT_NOT_CONVERTIBLE, "VXRC_FORMAT_NOT_CONVERTIBLE", "the message format is not text"},
        {VXRC_CBD_ERROR, "VXRC_CBD_ERROR", "the callback descriptor is null or not valid"},
        {VXRC_CTLO_ERROR, "VXRC_CTLO_ERROR", "the control options are not valid"},
        {VXRC_OPERATION_ERROR, "VXRC_OPERATION_ERROR", "the operation is not valid for this call"},
        {VXRC_CALLBACK_TYPE_ERROR, "VXRC_CALLBACK_TYPE_ERROR", "the callback type is not valid here"},
        {VXRC_CALLBACK_OPTIONS_ERROR, "VXRC_CALLBACK_OPTIONS_ERROR", "the callback descriptor's options are not valid"},
        {VXRC_CALLBACK_FUNCTION_ERROR, "VXRC_CALLBACK_FUNCTION_ERROR", "the callback function is null"},
        {VXRC_MAX_MSG_LENGTH_ERROR, "VXRC_MAX_MSG_LENGTH_ERROR", "the maximum message length is not valid"},
        {VXRC_CALLBACK_NOT_REGISTERED, "VXRC_CALLBACK_NOT_REGISTERED", "no such callback is registered"},
        {VXRC_NO_CALLBACKS_ACTIVE, "VXRC_NO_CALLBACKS_ACTIVE", "no message consumer is registered to wait for"},
        {VXRC_CALLBACK_CALL_ERROR, "VXRC_CALLBACK_CALL_ERROR", "the call cannot be made from inside a callback"},
        {VXRC_INTERNAL_ERROR, "VXRC_INTERNAL_ERROR", "the runtime failed unexpectedly"},
        {VXRC_CONFIGURATION_ERROR, "VXRC_CONFIGURATION_ERROR", "the configuration file is missing or has a bad line"},
        {VXRC_CONNECTION_BROKEN, "VXRC_CONNECTION_BROKEN", "the connection to the queue manager's database was lost"},
        {VXRC_STORE_NOT_AVAILABLE, "VXRC_STORE_NOT_AVAILABLE", "the queue manager's database cannot be used"},
        {VXRC_STORE_SCHEMA_ERROR, "VXRC_STORE_SCHEMA_ERROR", "the database holds a queue-manager schema not this one's"},
        {VXRC_STORE_ERROR, "VXRC_STORE_ERROR", "the queue manager's database refused a statement"},
    };

    private Reasons() {
    }

    /** The constant's name of a reason, such as "VXRC_NO_MSG_AVAILABLE", or "reason " and the number. */
    public static String name(int reason) {
        Object[] row = find(reason);
        return row != null ? (String) row[1] : "reason " + reason;
    }

    /** What a reason means, in a few words; empty for a number not in the table. */
    public static String meaning(int reason) {
        Object[] row = find(reason);
        return row != null ? (String) row[2] : "";
    }

    private static Object[] find(int reason) {
        for (Object[] row : TABLE) {
            if ((Integer) row[0] == reason) {
                return row;
            }
        }
        return null;
    }
}
