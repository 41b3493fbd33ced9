// The Java mirror of the private structures and options agrees with the
// runtime's header, the pointer-sized connect options included.
#include <cstddef>

#include "jni_test.h"
#include "vx/spi.h"

namespace {

class SpiLayout : public JniTest {
 protected:
  int32_t java(const char* cls, const char* name) {
    return staticInt((std::string("com/orvane/vx/taly/structs/") + cls).c_str(), name);
  }
};

#define EXPECT_JAVA(cls, name, value) EXPECT_EQ(java(cls, name), static_cast<int32_t>(value)) << cls "." name
#define EXPECT_SPI(name) EXPECT_JAVA("SpiConstants", #name, name)

}  // namespace

TEST_F(SpiLayout, StructureClassesMatchTheHeader) {
  EXPECT_JAVA("SpiConnectOptions", "LENGTH", sizeof(LpiConnectOptions));
  EXPECT_JAVA("SpiConnectOptions", "ENVIRONMENT", offsetof(LpiConnectOptions, Environment));
  EXPECT_JAVA("SpiConnectOptions", "ENVIRONMENT_PTR", offsetof(LpiConnectOptions, EnvironmentPtr));
  EXPECT_JAVA("SpiOpenOptions", "LENGTH", sizeof(LpiOpenOptions));
  EXPECT_JAVA("SpiOpenOptions", "OPTIONS", offsetof(LpiOpenOptions, Options));
  EXPECT_JAVA("SpiPutOptions", "LENGTH", sizeof(LpiPutOptions));
  EXPECT_JAVA("SpiPutOptions", "MSG_ID", offsetof(LpiPutOptions, MsgId));
  EXPECT_JAVA("SpiGetOptions", "LENGTH", sizeof(LpiGetOptions));
  EXPECT_JAVA("SpiGetOptions", "MSG_LENGTH", offsetof(LpiGetOptions, MsgLength));
  EXPECT_JAVA("SpiGetOptions", "RETURNED_LENGTH", offsetof(LpiGetOptions, ReturnedLength));
  EXPECT_JAVA("SpiSyncPointOptions", "LENGTH", sizeof(LpiSyncPointOptions));
  EXPECT_JAVA("ObjectSelector", "LENGTH", sizeof(LpiObjectSelector));
  EXPECT_JAVA("ObjectSelector", "OBJECT_TYPE", offsetof(LpiObjectSelector, ObjectType));
  EXPECT_JAVA("ObjectSelector", "QUEUE_TYPE", offsetof(LpiObjectSelector, QueueType));
  EXPECT_JAVA("ObjectSelector", "OBJECT_NAME", offsetof(LpiObjectSelector, ObjectName));
  EXPECT_JAVA("FilterElement", "LENGTH", sizeof(LpiFilterElement));
  EXPECT_JAVA("FilterElement", "SELECTOR", offsetof(LpiFilterElement, Selector));
  EXPECT_JAVA("FilterElement", "OPERATOR", offsetof(LpiFilterElement, Operator));
  EXPECT_JAVA("FilterElement", "VALUE", offsetof(LpiFilterElement, Value));
  EXPECT_JAVA("AttrErrors", "LENGTH", sizeof(LpiAttrErrors));
  EXPECT_JAVA("AttrErrors", "SELECTOR", offsetof(LpiAttrErrors, Selector));
  EXPECT_JAVA("AttrErrors", "REASON", offsetof(LpiAttrErrors, Reason));
  EXPECT_JAVA("ChlAuthParms", "LENGTH", sizeof(LpiChlAuthParms));
  EXPECT_JAVA("ChlAuthParms", "DECISION", offsetof(LpiChlAuthParms, Decision));
  EXPECT_JAVA("ChlAuthParms", "ADDRESS", offsetof(LpiChlAuthParms, Address));
  EXPECT_JAVA("ChlAuthParms", "USER", offsetof(LpiChlAuthParms, User));
  EXPECT_JAVA("SecurityContext", "LENGTH", sizeof(LpiSecurityContext));
  EXPECT_JAVA("SecurityContext", "OPTIONS", offsetof(LpiSecurityContext, Options));
  EXPECT_JAVA("SecurityContext", "USER_ID", offsetof(LpiSecurityContext, UserId));
  EXPECT_JAVA("SecurityContext", "USER_ID_LENGTH", sizeof(LpiSecurityContext::UserId));
  EXPECT_JAVA("SecurityContext", "PASSWORD", offsetof(LpiSecurityContext, Password));
  EXPECT_JAVA("SecurityContext", "PASSWORD_LENGTH", sizeof(LpiSecurityContext::Password));
  EXPECT_JAVA("SecurityContext", "MAPPED_USER_ID", offsetof(LpiSecurityContext, MappedUserId));
  EXPECT_JAVA("NamedSubscriberOptions", "LENGTH", sizeof(LpiNamedSubscriberOptions));
  EXPECT_JAVA("NamedSubscriberOptions", "OPTIONS", offsetof(LpiNamedSubscriberOptions, Options));
  EXPECT_JAVA("NamedSubscriberOptions", "RETURNED_LENGTH", offsetof(LpiNamedSubscriberOptions, ReturnedLength));
  EXPECT_JAVA("SpiSubscribeDescriptor", "LENGTH", sizeof(LpiSubscribeDescriptor));
  EXPECT_JAVA("SpiSubscribeDescriptor", "OPTIONS", offsetof(LpiSubscribeDescriptor, Options));
  EXPECT_JAVA("SpiSubscribeDescriptor", "RETAINED_COUNT", offsetof(LpiSubscribeDescriptor, RetainedCount));
  EXPECT_JAVA("SpiSubscriptionRequest", "LENGTH", sizeof(LpiSubscriptionRequestDescriptor));
  EXPECT_JAVA("SpiSubscriptionRequest", "OPTIONS", offsetof(LpiSubscriptionRequestDescriptor, Options));
  EXPECT_JAVA("SpiSubscriptionRequest", "MATCHED", offsetof(LpiSubscriptionRequestDescriptor, Matched));
  EXPECT_JAVA("UnsubscribeDescriptor", "LENGTH", sizeof(LpiUnsubscribeDescriptor));
  EXPECT_JAVA("UnsubscribeDescriptor", "OPTIONS", offsetof(LpiUnsubscribeDescriptor, Options));
  EXPECT_JAVA("UnsubscribeDescriptor", "HSUB", offsetof(LpiUnsubscribeDescriptor, Hsub));
  EXPECT_JAVA("UnsubscribeDescriptor", "SUB_NAME_LENGTH", offsetof(LpiUnsubscribeDescriptor, SubNameLength));
  EXPECT_JAVA("UnsubscribeDescriptor", "SUB_NAME", offsetof(LpiUnsubscribeDescriptor, SubName));
  EXPECT_JAVA("UnsubscribeDescriptor", "MAX_SUB_NAME_LENGTH", VX_MAX_SUB_NAME_LENGTH);

  EXPECT_SPI(LPI_CURRENT_VERSION);
  EXPECT_SPI(LPICHLAUTH_ALLOWED);
  EXPECT_SPI(LPICHLAUTH_BLOCKED);
  EXPECT_SPI(LPI_NO_ENVIRONMENT);
  EXPECT_SPI(LPIPO_SYNCPOINT);
  EXPECT_SPI(LPIPO_NO_SYNCPOINT);
  EXPECT_SPI(LPIGO_SYNCPOINT);
  EXPECT_SPI(LPIGO_NO_SYNCPOINT);
  EXPECT_SPI(LPIGO_NO_WAIT);
  EXPECT_SPI(LPISPO_COMMIT);
  EXPECT_SPI(LPISPO_BACKOUT);
  EXPECT_SPI(LPIFLT_EQUAL);
  EXPECT_SPI(LPIFLT_LESS);
  EXPECT_SPI(LPIFLT_GREATER);
  EXPECT_SPI(LPIDEF_REPLACE);
  EXPECT_SPI(LPIDEF_CREATE);
  EXPECT_SPI(LPISCX_NONE);
  EXPECT_SPI(LPIADU_NONE);
  EXPECT_SPI(LPIADU_AUTHENTICATE);
  EXPECT_SPI(LPIADU_RESTORE);
  EXPECT_SPI(LPIADU_OUT_TRUSTED);
  EXPECT_SPI(LPIADU_OUT_AUTHENTICATED);
  EXPECT_SPI(LPIADU_OUT_RESTORED);
  EXPECT_SPI(LPIADU_VERSION);
  EXPECT_SPI(LPINSO_BY_TOPIC);
  EXPECT_SPI(LPINSO_BY_NAME);
  EXPECT_SPI(LPISO_NONE);
  EXPECT_SPI(LPISO_RETAINED_AT_RESUME);
  EXPECT_SPI(LPISRD_NONE);
  EXPECT_SPI(LPIUS_BY_HANDLE);
  EXPECT_SPI(LPIUS_BY_NAME);
}
