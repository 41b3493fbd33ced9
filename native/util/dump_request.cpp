#include "util/dump_request.h"

#include <cstdlib>
#include <cstring>

#include "runtime_vector.h"
#include "util/early_trace.h"
#include "util/settings.h"
#include "vx/structs.h"

int32_t readDumpReason() {
  const char* value = settingValue("TalyDumpQmgrReason", "TALYDUMPQMGRREASON");
  if (value == nullptr) return 0;
  int32_t reason = std::atoi(value);
  TALY_TRACE(400, "TalyDumpQmgrReason set to %d", reason);
  return reason;
}

namespace {

constexpr int32_t kDumpObjectType = 999;
constexpr int32_t kDumpOpenOptions = 16;
constexpr int32_t kNoCharacterSet = -3;

}  // namespace

void requestQmgrDump(int32_t hconn) {
  VXOD od;
  std::memset(&od, 0, sizeof od);
  std::memcpy(od.StrucId, "OD  ", 4);
  od.Version = 1;
  od.ObjectType = kDumpObjectType;
  std::memcpy(od.ObjectName, "SERVICE1.DUMP", 13);
  std::memcpy(od.DynamicQName, "ZRT.*", 5);
  od.ObjectString.VSCCSID = kNoCharacterSet;
  od.SelectionString.VSCCSID = kNoCharacterSet;
  od.ResObjectString.VSCCSID = kNoCharacterSet;
  int32_t hobj = 0;
  int32_t cc = 0;
  int32_t reason = 0;
  runtimeVector().VXOPEN(hconn, &od, kDumpOpenOptions, &hobj, &cc, &reason);
}
