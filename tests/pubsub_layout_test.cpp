// The Java mirror of the structures, constants and limits of topics,
// subscriptions, status and message properties agrees with the C headers.
#include <cstddef>

#include "jni_test.h"
#include "vx/api.h"

namespace {

class PubSubLayout : public JniTest {
 protected:
  int32_t java(const char* cls, const char* name) { return staticInt(cls, name); }
};

#define STRUCTS "com/orvane/vx/taly/structs/"
#define EXPECT_JAVA(cls, name, value) \
  EXPECT_EQ(java(STRUCTS cls, name), static_cast<int32_t>(value)) << cls "." name
#define EXPECT_CONSTANT(name) EXPECT_JAVA("Constants", #name, name)
#define EXPECT_LAYOUT(name, value)                                                          \
  EXPECT_EQ(java("com/orvane/vx/taly/local/internal/base/NativeLayout", name),              \
            static_cast<int32_t>(value))                                                    \
      << name

}  // namespace

TEST_F(PubSubLayout, StructureClassesMatchTheHeaders) {
  EXPECT_JAVA("GetMessageOptions", "MSG_HANDLE", offsetof(VXGMO, MsgHandle));
  EXPECT_JAVA("PutMessageOptions", "MSG_HANDLE", offsetof(VXPMO, MsgHandle));

  EXPECT_LAYOUT("VXSD_OPTIONS", offsetof(VXSD, Options));
  EXPECT_LAYOUT("VXSD_SUB_CORREL_ID", offsetof(VXSD, SubCorrelId));
  EXPECT_LAYOUT("VXSD_RESOLVED_Q_NAME", offsetof(VXSD, ResolvedQName));
  EXPECT_LAYOUT("VXSD_OBJECT_STRING", offsetof(VXSD, ObjectString));
  EXPECT_LAYOUT("VXSD_SUB_NAME", offsetof(VXSD, SubName));
  EXPECT_LAYOUT("VXSD_SIZE", sizeof(VXSD));
  EXPECT_LAYOUT("VXCHARV_OFFSET", offsetof(VXCHARV, VSOffset));
  EXPECT_LAYOUT("VXCHARV_LENGTH", offsetof(VXCHARV, VSLength));
  EXPECT_LAYOUT("VXCHARV_SIZE", sizeof(VXCHARV));
  EXPECT_JAVA("SubscriptionDescriptor", "VERSION", VXSD_CURRENT_VERSION);

  EXPECT_JAVA("SubscriptionRequestOptions", "LENGTH", sizeof(VXSRO));
  EXPECT_JAVA("SubscriptionRequestOptions", "VERSION", VXSRO_CURRENT_VERSION);
  EXPECT_JAVA("SubscriptionRequestOptions", "NUM_PUBS", offsetof(VXSRO, NumPubs));

  EXPECT_JAVA("Status", "LENGTH", sizeof(VXSTS));
  EXPECT_JAVA("Status", "VERSION", VXSTS_CURRENT_VERSION);
  EXPECT_JAVA("Status", "COMP_CODE", offsetof(VXSTS, CompCode));
  EXPECT_JAVA("Status", "REASON", offsetof(VXSTS, Reason));
  EXPECT_JAVA("Status", "PUT_SUCCESS_COUNT", offsetof(VXSTS, PutSuccessCount));
  EXPECT_JAVA("Status", "PUT_WARNING_COUNT", offsetof(VXSTS, PutWarningCount));
  EXPECT_JAVA("Status", "PUT_FAILURE_COUNT", offsetof(VXSTS, PutFailureCount));
  EXPECT_JAVA("Status", "PUBLICATION_COUNT", offsetof(VXSTS, PublicationCount));
  EXPECT_JAVA("Status", "DELIVERY_COUNT", offsetof(VXSTS, DeliveryCount));
  EXPECT_JAVA("Status", "DELIVERY_FAILURE_COUNT", offsetof(VXSTS, DeliveryFailureCount));
  EXPECT_JAVA("Status", "OBJECT_TYPE", offsetof(VXSTS, ObjectType));
  EXPECT_JAVA("Status", "OBJECT_NAME", offsetof(VXSTS, ObjectName));

  for (size_t length : {sizeof(VXCMHO), sizeof(VXDMHO), sizeof(VXSMPO), sizeof(VXDMPO), sizeof(VXPD)}) {
    EXPECT_JAVA("PropertyOptions", "LENGTH", length);
  }
  EXPECT_JAVA("PropertyOptions", "OPTIONS", offsetof(VXPD, Options));
  EXPECT_JAVA("InquirePropertyOptions", "LENGTH", sizeof(VXIMPO));
  EXPECT_JAVA("InquirePropertyOptions", "RETURNED_NAME_LENGTH", offsetof(VXIMPO, ReturnedNameLength));
  EXPECT_JAVA("InquirePropertyOptions", "RETURNED_NAME", offsetof(VXIMPO, ReturnedName));
  EXPECT_JAVA("BufferOptions", "LENGTH", sizeof(VXMHBO));
  EXPECT_JAVA("BufferOptions", "LENGTH", sizeof(VXBMHO));
  EXPECT_JAVA("BufferOptions", "MHBO_REQUIRED_LENGTH", offsetof(VXMHBO, RequiredLength));
  EXPECT_JAVA("BufferOptions", "MHBO_PROPERTY_COUNT", offsetof(VXMHBO, PropertyCount));
  EXPECT_JAVA("BufferOptions", "BMHO_PROPERTY_COUNT", offsetof(VXBMHO, PropertyCount));
}

TEST_F(PubSubLayout, ConstantsMatchTheHeaders) {
  EXPECT_CONSTANT(VXOT_TOPIC);
  EXPECT_CONSTANT(VX_MAX_TOPIC_STRING_LENGTH);
  EXPECT_CONSTANT(VX_MAX_SUB_NAME_LENGTH);
  EXPECT_CONSTANT(VX_MAX_STRING_OFFSET);
  EXPECT_CONSTANT(VX_MAX_SUBSCRIPTIONS);
  EXPECT_CONSTANT(VXSO_CREATE);
  EXPECT_CONSTANT(VXSO_RESUME);
  EXPECT_CONSTANT(VXSO_DURABLE);
  EXPECT_CONSTANT(VXSO_MANAGED);
  EXPECT_CONSTANT(VXSO_NEW_PUBLICATIONS_ONLY);
  EXPECT_CONSTANT(VXSO_SET_CORREL_ID);
  EXPECT_CONSTANT(VXCO_KEEP_SUB);
  EXPECT_CONSTANT(VXCO_REMOVE_SUB);
  EXPECT_CONSTANT(VXPMO_RETAIN);
  EXPECT_CONSTANT(VXSR_RETAINED);
  EXPECT_CONSTANT(VXSRO_NONE);
  EXPECT_CONSTANT(VXSTAT_PUTS);
  EXPECT_CONSTANT(VXPT_ANY);
  EXPECT_CONSTANT(VXPT_BOOLEAN);
  EXPECT_CONSTANT(VXPT_BYTES);
  EXPECT_CONSTANT(VXPT_STRING);
  EXPECT_CONSTANT(VXPT_INT8);
  EXPECT_CONSTANT(VXPT_INT16);
  EXPECT_CONSTANT(VXPT_INT32);
  EXPECT_CONSTANT(VXPT_INT64);
  EXPECT_CONSTANT(VXPT_FLOAT32);
  EXPECT_CONSTANT(VXPT_FLOAT64);
  EXPECT_CONSTANT(VX_MAX_PROPERTY_NAME_LENGTH);
  EXPECT_CONSTANT(VX_MAX_PROPERTY_VALUE_LENGTH);
  EXPECT_CONSTANT(VX_MAX_PROPERTIES);
  EXPECT_CONSTANT(VX_MAX_PROPERTIES_LENGTH);
  EXPECT_CONSTANT(VX_MAX_MSG_HANDLES);
  EXPECT_CONSTANT(VXIMPO_INQ_FIRST);
  EXPECT_CONSTANT(VXIMPO_INQ_NEXT);
  EXPECT_CONSTANT(VXBMHO_DELETE_PROPERTIES);
  EXPECT_CONSTANT(VXPBH_LENGTH);
  EXPECT_CONSTANT(VXPBR_LENGTH);
  EXPECT_CONSTANT(VXCALL_SUB);
  EXPECT_CONSTANT(VXCALL_BUFMH);
}
