// Completion codes and every reason code of the library and the runtime.
//
// A call reports a completion code (0 OK, 1 warning, 2 failed) and a reason.
// The numbers 2059, 2071, 2195 and 2219 have fixed meanings that the library
// and the Java side rely on. Every other number is the runtime's own, grouped
// by what went wrong:
//   30xx connections and handles      31xx structures (null, identifier, version)
//   32xx options and fields           33xx objects and queues
//   34xx messages                     35xx units of work
//   36xx private calls                37xx data conversion
//   38xx asynchronous consumption     39xx the runtime itself
// Within a group, the topics, subscriptions and message properties take
// numbers from xx11 (30xx), xx21 (31xx, 34xx) and xx31 (32xx, 33xx) on.
// The Java side mirrors this table in com.orvane.vx.taly.structs.Reasons,
// name for name.
#ifndef VX_REASONS_H
#define VX_REASONS_H

#include <cstdint>

enum : int32_t {
  VXCC_OK = 0,
  VXCC_WARNING = 1,
  VXCC_FAILED = 2,
};

// X(name, number, meaning)
#define VX_REASONS(X)                                                                        \
  X(VXRC_NONE, 0, "no reason to report")                                                     \
  /* numbers with a fixed meaning */                                                         \
  X(VXRC_NOT_AVAILABLE, 2059, "the call is not available in this runtime")                  \
  X(VXRC_STORAGE_NOT_AVAILABLE, 2071, "memory could not be allocated")                       \
  X(VXRC_UNEXPECTED_ERROR, 2195, "the library found a fault in the call's arguments")        \
  X(VXRC_CALL_IN_PROGRESS, 2219, "another call is in progress on the connection")            \
  /* connections and handles */                                                              \
  X(VXRC_HCONN_ERROR, 3001, "the connection handle is not a live connection")                \
  X(VXRC_HOBJ_ERROR, 3002, "the object handle is not open on this connection")               \
  X(VXRC_QMGR_NAME_ERROR, 3003, "the queue-manager name is not this queue manager's")        \
  X(VXRC_NOT_AUTHORIZED, 3004, "the user identifier or password was not accepted")           \
  X(VXRC_CONNECTION_LIMIT, 3005, "too many connections are open")                            \
  X(VXRC_HANDLE_LIMIT, 3006, "too many objects are open on the connection")                  \
  X(VXRC_HSUB_ERROR, 3011, "the subscription handle is not open on this connection")         \
  X(VXRC_HMSG_ERROR, 3012, "the message handle is not a live handle of this connection")     \
  X(VXRC_MSG_HANDLE_LIMIT, 3013, "the connection holds its maximum of message handles")      \
  /* structures: null, wrong identifier or unknown version */                                \
  X(VXRC_MD_ERROR, 3101, "the message descriptor is null or not valid")                      \
  X(VXRC_GMO_ERROR, 3102, "the get-message options are null or not valid")                   \
  X(VXRC_PMO_ERROR, 3103, "the put-message options are null or not valid")                   \
  X(VXRC_OD_ERROR, 3104, "the object descriptor is null or not valid")                       \
  X(VXRC_CNO_ERROR, 3105, "the connect options are not valid")                               \
  X(VXRC_CSP_ERROR, 3106, "the security parameters are not valid")                           \
  X(VXRC_BO_ERROR, 3107, "the begin options are not valid")                                  \
  X(VXRC_SD_ERROR, 3121, "the subscription descriptor is null or not valid")                 \
  X(VXRC_SRO_ERROR, 3122, "the subscription request options are not valid")                  \
  X(VXRC_STS_ERROR, 3123, "the status structure is null or not valid")                       \
  X(VXRC_CMHO_ERROR, 3124, "the create-message-handle options are not valid")                \
  X(VXRC_DMHO_ERROR, 3125, "the delete-message-handle options are not valid")                \
  X(VXRC_SMPO_ERROR, 3126, "the set-property options are not valid")                         \
  X(VXRC_IMPO_ERROR, 3127, "the inquire-property options are not valid")                     \
  X(VXRC_DMPO_ERROR, 3128, "the delete-property options are not valid")                      \
  X(VXRC_PD_ERROR, 3129, "the property descriptor is not valid")                             \
  X(VXRC_MHBO_ERROR, 3130, "the handle-to-buffer options are not valid")                     \
  X(VXRC_BMHO_ERROR, 3131, "the buffer-to-handle options are not valid")                     \
  /* options and fields */                                                                   \
  X(VXRC_OPEN_OPTIONS_ERROR, 3201, "the open options are not valid")                         \
  X(VXRC_GET_OPTIONS_ERROR, 3202, "the get options are not valid")                           \
  X(VXRC_PUT_OPTIONS_ERROR, 3203, "the put options are not valid")                           \
  X(VXRC_CLOSE_OPTIONS_ERROR, 3204, "the close options are not valid for this object")       \
  X(VXRC_CONNECT_OPTIONS_ERROR, 3205, "the connect options word is not valid")               \
  X(VXRC_BEGIN_OPTIONS_ERROR, 3206, "the begin options word is not valid")                   \
  X(VXRC_MATCH_OPTIONS_ERROR, 3207, "the match options are not valid")                       \
  X(VXRC_WAIT_INTERVAL_ERROR, 3208, "the wait interval is not valid")                        \
  X(VXRC_PRIORITY_ERROR, 3209, "the priority is not valid")                                  \
  X(VXRC_PERSISTENCE_ERROR, 3210, "the persistence is not valid")                            \
  X(VXRC_EXPIRY_ERROR, 3211, "the expiry is not valid")                                      \
  X(VXRC_BUFFER_ERROR, 3212, "the buffer address is null")                                   \
  X(VXRC_BUFFER_LENGTH_ERROR, 3213, "the buffer length is negative")                         \
  X(VXRC_DATA_LENGTH_ERROR, 3214, "the data-length address is null")                         \
  X(VXRC_SELECTOR_COUNT_ERROR, 3215, "the selector count is not valid")                      \
  X(VXRC_SELECTOR_ERROR, 3216, "a selector is unknown, or the selectors are null")           \
  X(VXRC_INT_ATTR_COUNT_ERROR, 3217, "too few integer attributes for the selectors")         \
  X(VXRC_CHAR_ATTR_LENGTH_ERROR, 3218, "too few character-attribute bytes")                  \
  X(VXRC_ATTR_NOT_SETTABLE, 3219, "a selector names an attribute that cannot be set")        \
  X(VXRC_ATTR_VALUE_ERROR, 3220, "an attribute value is not valid")                          \
  X(VXRC_SUB_OPTIONS_ERROR, 3231, "the subscription options are not valid")                  \
  X(VXRC_SUBRQ_ACTION_ERROR, 3232, "the subscription request action is not valid")           \
  X(VXRC_STATUS_TYPE_ERROR, 3233, "the status type is not valid")                            \
  X(VXRC_PROPERTY_OPTIONS_ERROR, 3234, "the handle or property options word is not valid")   \
  X(VXRC_TOPIC_STRING_ERROR, 3235, "the topic string is missing, too long or not valid")     \
  X(VXRC_SUB_NAME_ERROR, 3236, "the subscription name is missing, too long or not valid")    \
  X(VXRC_PROPERTY_NAME_ERROR, 3237, "the property name is missing, too long or not valid")   \
  X(VXRC_PROPERTY_TYPE_ERROR, 3238, "the property type is unknown or not the one asked for") \
  X(VXRC_PROPERTY_VALUE_ERROR, 3239, "the value is null or its length does not fit")         \
  /* objects and queues */                                                                   \
  X(VXRC_UNKNOWN_OBJECT_NAME, 3301, "no object has that name")                               \
  X(VXRC_OBJECT_TYPE_ERROR, 3302, "the object type is not valid")                            \
  X(VXRC_OBJECT_IN_USE, 3303, "the object is open in a way that rules this out")             \
  X(VXRC_PUT_INHIBITED, 3304, "puts to the queue are inhibited")                             \
  X(VXRC_GET_INHIBITED, 3305, "gets from the queue are inhibited")                           \
  X(VXRC_NOT_OPEN_FOR_INPUT, 3306, "the object is not open for input")                       \
  X(VXRC_NOT_OPEN_FOR_OUTPUT, 3307, "the object is not open for output")                     \
  X(VXRC_NOT_OPEN_FOR_BROWSE, 3308, "the object is not open for browse")                     \
  X(VXRC_NOT_OPEN_FOR_INQUIRE, 3309, "the object is not open for inquire")                   \
  X(VXRC_NOT_OPEN_FOR_SET, 3310, "the object is not open for set")                           \
  X(VXRC_DYNAMIC_NAME_ERROR, 3311, "the dynamic queue name is not valid or already used")    \
  X(VXRC_QUEUE_FULL, 3312, "the queue holds its maximum depth")                              \
  X(VXRC_MSG_TOO_BIG_FOR_QUEUE, 3313, "the message is longer than the queue allows")         \
  X(VXRC_OBJECT_DELETED, 3314, "the queue has been deleted")                                 \
  X(VXRC_MODEL_QUEUE_ERROR, 3315, "a model queue cannot be used this way")                   \
  X(VXRC_NO_SUBSCRIPTION, 3331, "no subscription has that name")                             \
  X(VXRC_DUPLICATE_SUBSCRIPTION, 3332, "a subscription of that name exists already")         \
  X(VXRC_SUBSCRIPTION_IN_USE, 3333, "the subscription is open on a connection")              \
  X(VXRC_SUBSCRIPTION_LIMIT, 3334, "the queue manager holds its maximum of subscriptions")   \
  X(VXRC_DESTINATION_ERROR, 3335, "the destination is not a queue open on this connection")  \
  X(VXRC_MANAGED_QUEUE, 3336, "the queue belongs to a subscription and goes with it")        \
  /* messages */                                                                             \
  X(VXRC_NO_MSG_AVAILABLE, 3401, "no message is available")                                  \
  X(VXRC_TRUNCATED_MSG_ACCEPTED, 3402, "the message was longer than the buffer; removed")    \
  X(VXRC_TRUNCATED_MSG_FAILED, 3403, "the message is longer than the buffer; it stays")      \
  X(VXRC_NOT_ALL_DELIVERED, 3421, "the publication missed some matching subscriptions")      \
  X(VXRC_NO_RETAINED_MSG, 3422, "no retained publication matches the subscription")          \
  X(VXRC_PROPERTY_NOT_AVAILABLE, 3423, "no property, or no further one, matches the name")   \
  X(VXRC_PROPERTY_VALUE_TRUNCATED, 3424, "the value was longer than the buffer; cut")        \
  X(VXRC_PROPERTIES_TOO_BIG, 3425, "the buffer is too short for the properties")             \
  X(VXRC_PROPERTY_LIMIT, 3426, "the handle holds its maximum number or size of properties")  \
  X(VXRC_PROPERTIES_BUFFER_ERROR, 3427, "the buffer does not start with valid properties")   \
  /* units of work */                                                                        \
  X(VXRC_UOW_IN_PROGRESS, 3501, "a unit of work is already in progress")                     \
  X(VXRC_SYNCPOINT_LIMIT, 3502, "the unit of work holds its maximum number of messages")     \
  X(VXRC_BACKED_OUT_AT_DISCONNECT, 3503, "disconnect backed out the open unit of work")      \
  X(VXRC_GLOBAL_UOW_ACTIVE, 3504, "the syncpoint work belongs to an XA transaction branch")   \
  /* private calls */                                                                         \
  X(VXRC_NOT_PRIVILEGED, 3601, "the connection was not made by the privileged connect")      \
  X(VXRC_ENVIRONMENT_ERROR, 3602, "the environment value is not valid")                      \
  X(VXRC_FUNCTION_NOT_SUPPORTED, 3603, "this queue manager does not support the call")       \
  X(VXRC_SPI_OPTIONS_ERROR, 3604, "the private options are null or not valid")               \
  X(VXRC_OBJECT_SELECTOR_ERROR, 3605, "the object selector is null or not valid")            \
  X(VXRC_OBJECT_ALREADY_EXISTS, 3606, "an object of that name exists already")               \
  X(VXRC_LIKE_OBJECT_ERROR, 3607, "the like object is not a queue of this queue manager")    \
  X(VXRC_QUEUE_NOT_EMPTY, 3608, "the queue holds messages and purge was not asked")          \
  X(VXRC_FILTER_ERROR, 3609, "the filter element is not valid")                              \
  X(VXRC_FILTER_NOT_MATCHED, 3610, "the object does not match the filter")                   \
  X(VXRC_SECURITY_CONTEXT_ERROR, 3611, "the security context is null or not valid")         \
  X(VXRC_ADOPT_USER_ERROR, 3612, "the adopt-user record or its options are not valid")      \
  X(VXRC_USER_ID_ERROR, 3613, "the user identifier is empty or too long")                   \
  X(VXRC_UNKNOWN_USER, 3614, "the user is not one of the queue manager's users")            \
  X(VXRC_PASSWORD_ERROR, 3615, "the password is not the user's")                            \
  X(VXRC_SUBSCRIBER_LIST_TRUNCATED, 3616, "more named subscriptions than the buffer holds")  \
  /* data conversion */                                                                       \
  X(VXRC_CONVERTED_DATA_TRUNCATED, 3701, "the converted data did not fit; it was cut")       \
  X(VXRC_CCSID_NOT_SUPPORTED, 3702, "no conversion between these character sets")            \
  X(VXRC_FORMAT_NOT_CONVERTIBLE, 3703, "the message format is not text")                     \
  /* asynchronous consumption */                                                             \
  X(VXRC_CBD_ERROR, 3801, "the callback descriptor is null or not valid")                    \
  X(VXRC_CTLO_ERROR, 3802, "the control options are not valid")                              \
  X(VXRC_OPERATION_ERROR, 3803, "the operation is not valid for this call")                  \
  X(VXRC_CALLBACK_TYPE_ERROR, 3804, "the callback type is not valid here")                   \
  X(VXRC_CALLBACK_OPTIONS_ERROR, 3805, "the callback descriptor's options are not valid")    \
  X(VXRC_CALLBACK_FUNCTION_ERROR, 3806, "the callback function is null")                     \
  X(VXRC_MAX_MSG_LENGTH_ERROR, 3807, "the maximum message length is not valid")              \
  X(VXRC_CALLBACK_NOT_REGISTERED, 3808, "no such callback is registered")                    \
  X(VXRC_NO_CALLBACKS_ACTIVE, 3809, "no message consumer is registered to wait for")         \
  X(VXRC_CALLBACK_CALL_ERROR, 3810, "the call cannot be made from inside a callback")        \
  /* the runtime itself */                                                                   \
  X(VXRC_INTERNAL_ERROR, 3901, "the runtime failed unexpectedly")                            \
  X(VXRC_CONFIGURATION_ERROR, 3902, "the configuration file is missing or has a bad line")   \
  X(VXRC_CONNECTION_BROKEN, 3911, "the connection to the queue manager's database was lost")  \
  X(VXRC_STORE_NOT_AVAILABLE, 3912, "the queue manager's database cannot be used")           \
  X(VXRC_STORE_SCHEMA_ERROR, 3913, "the database holds a queue-manager schema not this one's") \
  X(VXRC_STORE_ERROR, 3914, "the queue manager's database refused a statement")

#define VX_REASON_ENUM(name, number, meaning) name = number,
enum : int32_t { VX_REASONS(VX_REASON_ENUM) };
#undef VX_REASON_ENUM

#endif
