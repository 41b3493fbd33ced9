#include "util/connect_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "util/allocation.h"
#include "vx/structs.h"

namespace {

constexpr int32_t kMaskingVersion = 5;
constexpr jsize kQmgrNameTraceLength = 48;

int32_t intAt(const unsigned char* bytes, size_t offset) {
  int32_t value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

}  // namespace

bool QmgrName::pin(ExportFrame& f, jbyteArray name, int32_t probe) {
  if (f.ok() && name != nullptr) {
    jsize length = f.ctx.env->GetArrayLength(name);
    traceLength = std::min(length, kQmgrNameTraceLength);
    if (f.pin(bytes, name, probe, "native_qmname is null")) forRuntime.take(bytes, length);
  }
  return f.ok();
}

bool maskPassword(unsigned char* copy, jsize length) {
  if (length < static_cast<jsize>(VXCNO_SECURITY_PARMS_OFFSET + 4)) return false;
  int32_t cspOffset = intAt(copy, VXCNO_SECURITY_PARMS_OFFSET);
  if (cspOffset < 0 || length - cspOffset < static_cast<jsize>(VXCSP_PASSWORD_LENGTH + 4)) {
    return false;
  }
  unsigned char* csp = copy + cspOffset;
  int32_t passwordLength = intAt(csp, VXCSP_PASSWORD_LENGTH);
  if (passwordLength == 0) return true;
  int32_t passwordOffset = intAt(csp, VXCSP_PASSWORD_OFFSET);
  jsize cspLength = length - cspOffset;
  if (passwordOffset < 0 || passwordLength < 0 || passwordOffset > cspLength ||
      cspLength - passwordOffset < passwordLength) {
    return false;
  }
  std::memset(csp + passwordOffset, 'x', static_cast<size_t>(passwordLength));
  return true;
}

bool traceConnectOptions(ExportFrame& f, const QmgrName& name, const PinnedBytes& cno,
                         jsize cnoLength) {
  const unsigned char* view = cno.bytes();
  unsigned char* copy = nullptr;
  bool traceable = true;
  bool masking = view != nullptr && cnoLength >= static_cast<jsize>(VXCNO_VERSION + 4) &&
                 intAt(view, VXCNO_VERSION) >= kMaskingVersion;
  if (masking && cnoLength < static_cast<jsize>(VXCNO_SECURITY_PARMS_OFFSET + 4)) {
    // Too short to say where a password would be: traced without data.
    traceable = false;
  } else if (masking && intAt(view, VXCNO_SECURITY_PARMS_OFFSET) != 0) {
    copy = static_cast<unsigned char*>(allocate(static_cast<size_t>(cnoLength)));
    if (copy == nullptr) {
      f.failStorage(9, "malloc for vxcno failed", VXRC_STORAGE_NOT_AVAILABLE);
      return false;
    }
    std::memcpy(copy, view, static_cast<size_t>(cnoLength));
    traceable = maskPassword(copy, cnoLength);
    view = copy;
  }
  f.qmgrName(f.function, name.traceLength, name.chars());
  f.data(f.function, "VX Connect Options", traceable ? view : nullptr, cnoLength);
  std::free(copy);
  return true;
}
