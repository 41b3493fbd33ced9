// The Java mirror of the pointer-dependent structures agrees with the C
// declarations of this build.
#include <cstddef>

#include "jni_test.h"
#include "vx/structs.h"

namespace {

class Layout : public JniTest {
 protected:
  int32_t java(const char* name) {
    return staticInt("com/orvane/vx/taly/local/internal/base/NativeLayout", name);
  }
};

#define EXPECT_LAYOUT(javaName, value) EXPECT_EQ(java(javaName), static_cast<int32_t>(value)) << javaName

}  // namespace

TEST_F(Layout, JavaMirrorMatchesTheNativeStructures) {
  EXPECT_LAYOUT("POINTER_SIZE", sizeof(void*));
  EXPECT_LAYOUT("VXCBD_CALLBACK_AREA", offsetof(VXCBD, CallbackArea));
  EXPECT_LAYOUT("VXCBD_CALLBACK_FUNCTION", offsetof(VXCBD, CallbackFunction));
  EXPECT_LAYOUT("VXCBD_CALLBACK_NAME", offsetof(VXCBD, CallbackName));
  EXPECT_LAYOUT("VXCBD_MAX_MSG_LENGTH", offsetof(VXCBD, MaxMsgLength));
  EXPECT_LAYOUT("VXCBD_SIZE", sizeof(VXCBD));
  EXPECT_LAYOUT("VXCBC_CALLBACK_AREA", offsetof(VXCBC, CallbackArea));
  EXPECT_LAYOUT("VXCBC_COMP_CODE", offsetof(VXCBC, CompCode));
  EXPECT_LAYOUT("VXCBC_DATA_LENGTH", offsetof(VXCBC, DataLength));
  EXPECT_LAYOUT("VXCBC_BUFFER_LENGTH", offsetof(VXCBC, BufferLength));
  EXPECT_LAYOUT("VXCBC_RECONNECT_DELAY", offsetof(VXCBC, ReconnectDelay));
  EXPECT_LAYOUT("VXCBC_SIZE", sizeof(VXCBC));
  EXPECT_LAYOUT("CALLBACK_AREA_INDEX", offsetof(TalyCallbackArea, callback_index));
  EXPECT_LAYOUT("CALLBACK_AREA_INSTANCE", offsetof(TalyCallbackArea, java_callback_instance));
  EXPECT_LAYOUT("CALLBACK_AREA_SIZE", sizeof(TalyCallbackArea));
  EXPECT_LAYOUT("ADOPT_USER_INOUT_VALUE", offsetof(LpiAdoptUser, InOutValue));
  EXPECT_LAYOUT("ADOPT_USER_PRODUCT_ID", offsetof(LpiAdoptUser, ProductIdentifier));
  EXPECT_LAYOUT("ADOPT_USER_CLIENT_ID_PTR", offsetof(LpiAdoptUser, ClientIdPtr));
  EXPECT_LAYOUT("ADOPT_USER_CLIENT_ID_CCSID", offsetof(LpiAdoptUser, ClientIdCCSID));
  EXPECT_LAYOUT("ADOPT_USER_SIZE", sizeof(LpiAdoptUser));
  EXPECT_LAYOUT("VXOD_OBJECT_REC_PTR", offsetof(VXOD, ObjectRecPtr));
  EXPECT_LAYOUT("VXOD_ALTERNATE_SECURITY_ID", offsetof(VXOD, AlternateSecurityId));
  EXPECT_LAYOUT("VXOD_OBJECT_STRING", offsetof(VXOD, ObjectString));
  EXPECT_LAYOUT("VXOD_RESOLVED_OBJECT_STRING", offsetof(VXOD, ResObjectString));
  EXPECT_LAYOUT("VXOD_RESOLVED_TYPE", offsetof(VXOD, ResolvedType));
  EXPECT_LAYOUT("VXOD_SIZE", sizeof(VXOD));
  EXPECT_LAYOUT("XID_DATA", offsetof(XID, data));
  EXPECT_LAYOUT("XID_SIZE", sizeof(XID));
  EXPECT_LAYOUT("SPI_CNO_ENVIRONMENT_PTR", SPI_CNO_ENVIRONMENT_PTR);
}
