// The Java mirror of the queueing structures, options and reasons agrees with
// the C headers: every offset, length, constant and reason number.
#include <cstddef>

#include "jni_test.h"
#include "vx/api.h"
#include "vx/xa.h"

namespace {

class ApiLayout : public JniTest {
 protected:
  int32_t java(const char* cls, const char* name) {
    std::string path = std::string("com/orvane/vx/taly/structs/") + cls;
    jclass c = env->FindClass(path.c_str());
    if (c == nullptr) {
      env->ExceptionClear();
      ADD_FAILURE() << "no class " << cls;
      return -99999;
    }
    jfieldID field = env->GetStaticFieldID(c, name, "I");
    if (field == nullptr) {
      env->ExceptionClear();
      env->DeleteLocalRef(c);
      ADD_FAILURE() << "no field " << cls << "." << name;
      return -99999;
    }
    jint v = env->GetStaticIntField(c, field);
    env->DeleteLocalRef(c);
    return v;
  }
};

#define EXPECT_JAVA(cls, name, value) EXPECT_EQ(java(cls, name), static_cast<int32_t>(value)) << cls "." name
#define EXPECT_CONSTANT(name) EXPECT_JAVA("Constants", #name, name)

}  // namespace

TEST_F(ApiLayout, StructureClassesMatchTheHeaders) {
  EXPECT_JAVA("MessageDescriptor", "LENGTH", sizeof(VXMD));
  EXPECT_JAVA("MessageDescriptor", "VERSION", VXMD_CURRENT_VERSION);
  EXPECT_JAVA("MessageDescriptor", "MSG_TYPE", offsetof(VXMD, MsgType));
  EXPECT_JAVA("MessageDescriptor", "PRIORITY", offsetof(VXMD, Priority));
  EXPECT_JAVA("MessageDescriptor", "PERSISTENCE", offsetof(VXMD, Persistence));
  EXPECT_JAVA("MessageDescriptor", "EXPIRY", offsetof(VXMD, Expiry));
  EXPECT_JAVA("MessageDescriptor", "ENCODING", offsetof(VXMD, Encoding));
  EXPECT_JAVA("MessageDescriptor", "CODED_CHAR_SET_ID", offsetof(VXMD, CodedCharSetId));
  EXPECT_JAVA("MessageDescriptor", "FORMAT", offsetof(VXMD, Format));
  EXPECT_JAVA("MessageDescriptor", "MSG_ID", offsetof(VXMD, MsgId));
  EXPECT_JAVA("MessageDescriptor", "CORREL_ID", offsetof(VXMD, CorrelId));
  EXPECT_JAVA("MessageDescriptor", "BACKOUT_COUNT", offsetof(VXMD, BackoutCount));
  EXPECT_JAVA("MessageDescriptor", "REPLY_TO_Q", offsetof(VXMD, ReplyToQ));
  EXPECT_JAVA("MessageDescriptor", "REPLY_TO_QMGR", offsetof(VXMD, ReplyToQMgr));
  EXPECT_JAVA("MessageDescriptor", "USER_IDENTIFIER", offsetof(VXMD, UserIdentifier));
  EXPECT_JAVA("MessageDescriptor", "PUT_DATE", offsetof(VXMD, PutDate));
  EXPECT_JAVA("MessageDescriptor", "PUT_TIME", offsetof(VXMD, PutTime));

  EXPECT_JAVA("GetMessageOptions", "LENGTH", sizeof(VXGMO));
  EXPECT_JAVA("GetMessageOptions", "VERSION", VXGMO_CURRENT_VERSION);
  EXPECT_JAVA("GetMessageOptions", "OPTIONS", offsetof(VXGMO, Options));
  EXPECT_JAVA("GetMessageOptions", "WAIT_INTERVAL", offsetof(VXGMO, WaitInterval));
  EXPECT_JAVA("GetMessageOptions", "MATCH_OPTIONS", offsetof(VXGMO, MatchOptions));
  EXPECT_JAVA("GetMessageOptions", "MSG_LENGTH", offsetof(VXGMO, MsgLength));
  EXPECT_JAVA("GetMessageOptions", "RETURNED_LENGTH", offsetof(VXGMO, ReturnedLength));
  EXPECT_JAVA("GetMessageOptions", "RESOLVED_Q_NAME", offsetof(VXGMO, ResolvedQName));

  EXPECT_JAVA("PutMessageOptions", "LENGTH", sizeof(VXPMO));
  EXPECT_JAVA("PutMessageOptions", "VERSION", VXPMO_CURRENT_VERSION);
  EXPECT_JAVA("PutMessageOptions", "OPTIONS", offsetof(VXPMO, Options));
  EXPECT_JAVA("PutMessageOptions", "RESOLVED_Q_NAME", offsetof(VXPMO, ResolvedQName));
  EXPECT_JAVA("PutMessageOptions", "RESOLVED_QMGR_NAME", offsetof(VXPMO, ResolvedQMgrName));

  EXPECT_JAVA("ObjectDescriptor", "LENGTH", sizeof(VXOD));
  EXPECT_JAVA("ObjectDescriptor", "VERSION", VXOD_CURRENT_VERSION);

  EXPECT_JAVA("ConnectOptions", "LENGTH", sizeof(VXCNO));
  EXPECT_JAVA("ConnectOptions", "VERSION", VXCNO_CURRENT_VERSION);
  EXPECT_JAVA("ConnectOptions", "OPTIONS", offsetof(VXCNO, Options));
  EXPECT_JAVA("ConnectOptions", "APPL_NAME", offsetof(VXCNO, ApplName));
  EXPECT_JAVA("ConnectOptions", "CONNECTION_ID", offsetof(VXCNO, ConnectionId));
  EXPECT_JAVA("ConnectOptions", "SECURITY_PARMS_OFFSET", offsetof(VXCNO, SecurityParmsOffset));
  EXPECT_JAVA("ConnectOptions", "CSP_LENGTH", sizeof(VXCSP));
  EXPECT_JAVA("ConnectOptions", "CSP_VERSION", VXCSP_CURRENT_VERSION);
  EXPECT_JAVA("ConnectOptions", "CSP_AUTHENTICATION_TYPE", offsetof(VXCSP, AuthenticationType));
  EXPECT_JAVA("ConnectOptions", "CSP_USER_ID_OFFSET", offsetof(VXCSP, UserIdOffset));
  EXPECT_JAVA("ConnectOptions", "CSP_USER_ID_LENGTH", offsetof(VXCSP, UserIdLength));
  EXPECT_JAVA("ConnectOptions", "CSP_PASSWORD_OFFSET", offsetof(VXCSP, PasswordOffset));
  EXPECT_JAVA("ConnectOptions", "CSP_PASSWORD_LENGTH", offsetof(VXCSP, PasswordLength));

  EXPECT_JAVA("BeginOptions", "LENGTH", sizeof(VXBO));
  EXPECT_JAVA("BeginOptions", "VERSION", VXBO_CURRENT_VERSION);
  EXPECT_JAVA("BeginOptions", "OPTIONS", offsetof(VXBO, Options));

  EXPECT_JAVA("ControlOptions", "LENGTH", sizeof(VXCTLO));
  EXPECT_JAVA("ControlOptions", "VERSION", VXCTLO_CURRENT_VERSION);
  EXPECT_JAVA("ControlOptions", "OPTIONS", offsetof(VXCTLO, Options));
}

TEST_F(ApiLayout, ConstantsMatchTheHeader) {
  EXPECT_CONSTANT(VX_NAME_LENGTH);
  EXPECT_CONSTANT(VX_MSG_ID_LENGTH);
  EXPECT_CONSTANT(VX_CORREL_ID_LENGTH);
  EXPECT_CONSTANT(VX_USER_ID_LENGTH);
  EXPECT_CONSTANT(VX_CONNECTION_ID_LENGTH);
  EXPECT_CONSTANT(VXOT_QUEUE);
  EXPECT_CONSTANT(VXOT_DUMP_SERVICE);
  EXPECT_CONSTANT(VXOO_INPUT_SHARED);
  EXPECT_CONSTANT(VXOO_INPUT_EXCLUSIVE);
  EXPECT_CONSTANT(VXOO_BROWSE);
  EXPECT_CONSTANT(VXOO_OUTPUT);
  EXPECT_CONSTANT(VXOO_INQUIRE);
  EXPECT_CONSTANT(VXOO_SET);
  EXPECT_CONSTANT(VXCO_DELETE);
  EXPECT_CONSTANT(VXGMO_SYNCPOINT);
  EXPECT_CONSTANT(VXGMO_NO_SYNCPOINT);
  EXPECT_CONSTANT(VXGMO_WAIT);
  EXPECT_CONSTANT(VXGMO_ACCEPT_TRUNCATED);
  EXPECT_CONSTANT(VXGMO_BROWSE_FIRST);
  EXPECT_CONSTANT(VXGMO_BROWSE_NEXT);
  EXPECT_CONSTANT(VXGMO_RESERVED);
  EXPECT_CONSTANT(VXWI_UNLIMITED);
  EXPECT_CONSTANT(VXMO_MATCH_MSG_ID);
  EXPECT_CONSTANT(VXMO_MATCH_CORREL_ID);
  EXPECT_CONSTANT(VXPMO_SYNCPOINT);
  EXPECT_CONSTANT(VXPMO_NO_SYNCPOINT);
  EXPECT_CONSTANT(VXPMO_NEW_MSG_ID);
  EXPECT_CONSTANT(VXPMO_NEW_CORREL_ID);
  EXPECT_CONSTANT(VXCSP_AUTH_USER_PASSWORD);
  EXPECT_CONSTANT(VXCSP_MAX_USER_ID_LENGTH);
  EXPECT_CONSTANT(VXCSP_MAX_PASSWORD_LENGTH);
  EXPECT_CONSTANT(VXMT_DATAGRAM);
  EXPECT_CONSTANT(VXMT_REPORT);
  EXPECT_CONSTANT(VXPRI_AS_QUEUE);
  EXPECT_CONSTANT(VXPRI_HIGHEST);
  EXPECT_CONSTANT(VXPER_AS_QUEUE);
  EXPECT_CONSTANT(VXPER_PERSISTENT);
  EXPECT_CONSTANT(VXEXP_UNLIMITED);
  EXPECT_CONSTANT(VXIA_CURRENT_DEPTH);
  EXPECT_CONSTANT(VXIA_MAX_DEPTH);
  EXPECT_CONSTANT(VXIA_MAX_MSG_LENGTH);
  EXPECT_CONSTANT(VXIA_INHIBIT_PUT);
  EXPECT_CONSTANT(VXIA_INHIBIT_GET);
  EXPECT_CONSTANT(VXIA_OPEN_INPUT_COUNT);
  EXPECT_CONSTANT(VXIA_OPEN_OUTPUT_COUNT);
  EXPECT_CONSTANT(VXIA_QUEUE_TYPE);
  EXPECT_CONSTANT(VXIA_DEFAULT_PRIORITY);
  EXPECT_CONSTANT(VXIA_DEFAULT_PERSISTENCE);
  EXPECT_CONSTANT(VXCA_FIRST);
  EXPECT_CONSTANT(VXCA_QUEUE_NAME);
  EXPECT_CONSTANT(VXCA_QMGR_NAME);
  EXPECT_CONSTANT(VX_MAX_SELECTORS);
  EXPECT_CONSTANT(VXINHIBIT_INHIBITED);
  EXPECT_CONSTANT(VXQT_LOCAL);
  EXPECT_CONSTANT(VXQT_MODEL);
  EXPECT_CONSTANT(VXQT_DYNAMIC);
  EXPECT_CONSTANT(VXCALL_GET);
  EXPECT_CONSTANT(VXCALL_BACK);
  EXPECT_CONSTANT(VXCALL_CB);
  EXPECT_CONSTANT(VXCALL_CTL);
  EXPECT_CONSTANT(VXCALL_CALLBACK);
  EXPECT_CONSTANT(VXCBT_MESSAGE_CONSUMER);
  EXPECT_CONSTANT(VXCBT_EVENT_HANDLER);
  EXPECT_CONSTANT(VXCBDO_NONE);
  EXPECT_CONSTANT(VXCBD_FULL_MSG_LENGTH);
  EXPECT_CONSTANT(VXCBCT_START_CALL);
  EXPECT_CONSTANT(VXCBCT_STOP_CALL);
  EXPECT_CONSTANT(VXCBCT_REGISTER_CALL);
  EXPECT_CONSTANT(VXCBCT_DEREGISTER_CALL);
  EXPECT_CONSTANT(VXCBCT_EVENT_CALL);
  EXPECT_CONSTANT(VXCBCT_MSG_REMOVED);
  EXPECT_CONSTANT(VXCBCT_MSG_NOT_REMOVED);
  EXPECT_CONSTANT(VXCS_NONE);
  EXPECT_CONSTANT(VXCS_SUSPENDED_USER);
  EXPECT_CONSTANT(VXCS_SUSPENDED_TEMPORARY);
  EXPECT_CONSTANT(VXCS_SUSPENDED);
  EXPECT_CONSTANT(VXCS_STOPPED);
  EXPECT_CONSTANT(VXOP_START);
  EXPECT_CONSTANT(VXOP_START_WAIT);
  EXPECT_CONSTANT(VXOP_STOP);
  EXPECT_CONSTANT(VXOP_REGISTER);
  EXPECT_CONSTANT(VXOP_DEREGISTER);
  EXPECT_CONSTANT(VXOP_SUSPEND);
  EXPECT_CONSTANT(VXOP_RESUME);
  EXPECT_CONSTANT(VXCTLO_NONE);
}

TEST_F(ApiLayout, EveryReasonHasItsJavaTwin) {
#define EXPECT_REASON(name, number, meaning) EXPECT_JAVA("Reasons", #name, number);
  VX_REASONS(EXPECT_REASON)
#undef EXPECT_REASON
  EXPECT_JAVA("Reasons", "VXCC_WARNING", VXCC_WARNING);
}

TEST_F(ApiLayout, EveryXaFlagCodeAndLimitHasItsJavaTwin) {
#define EXPECT_XA(name, value, meaning) EXPECT_JAVA("Xa", #name, value);
  VX_XA_FLAGS(EXPECT_XA)
  VX_XA_CODES(EXPECT_XA)
#undef EXPECT_XA
  EXPECT_JAVA("Xa", "XIDDATASIZE", XIDDATASIZE);
  EXPECT_JAVA("Xa", "MAXGTRIDSIZE", MAXGTRIDSIZE);
  EXPECT_JAVA("Xa", "MAXBQUALSIZE", MAXBQUALSIZE);
  EXPECT_JAVA("Xa", "MAXINFOSIZE", MAXINFOSIZE);
  EXPECT_JAVA("Xa", "NULLXID_FORMAT_ID", NULLXID_FORMAT_ID);
  EXPECT_JAVA("Xa", "VXXA_OPEN_CODE_RESOURCE", VXXA_OPEN_CODE_RESOURCE);
  EXPECT_JAVA("Xa", "VXXA_OPEN_CODE_TM", VXXA_OPEN_CODE_TM);
}
