// Open, close, inquire and set; and the dump request, an open of the dump
// service that leaves nothing open.
#include <cstdio>

#include "entries/entries.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

namespace {

Status dump(VXINT hconn, const vxqm::ObjectRequest& object, PVXINT hobj) {
  if (object.name != VX_DUMP_SERVICE_NAME) return Status::failure(VXRC_UNKNOWN_OBJECT_NAME);
  vxqm::QueueManager& manager = queueManager();
  manager.dump(hconn, stderr);
  *hobj = 0;
  return manager.connected(hconn) ? Status::ok() : Status::failure(VXRC_HCONN_ERROR);
}

}  // namespace

void VXOPEN(VXINT hconn, PVXVOID od, VXINT options, PVXINT hobj, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXOD* descriptor = static_cast<VXOD*>(od);
    vxqm::ObjectRequest object;
    Status status = readOd(descriptor, object);
    if (status.failed()) return status;
    if (hobj == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
    if (object.type == VXOT_DUMP_SERVICE) return dump(hconn, object, hobj);
    vxqm::OpenOptions open;
    status = readOpenOptions(options, open);
    if (status.failed()) return status;
    vxqm::ObjectResolution resolution;
    status = queueManager().open(hconn, object, open, *hobj, resolution);
    if (!status.failed()) writeOd(resolution, descriptor);
    return status;
  });
}

void VXCLOSE(VXINT hconn, PVXINT hobj, VXINT options, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    if (hobj == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
    if ((options & ~VXCO_DELETE) != 0) return Status::failure(VXRC_CLOSE_OPTIONS_ERROR);
    return queueManager().close(hconn, *hobj, (options & VXCO_DELETE) != 0);
  });
}

void VXINQ(VXINT hconn, VXINT hobj, VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount,
           PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    return queueManager().inquire(hconn, hobj, selectorCount, static_cast<const int32_t*>(selectors),
                                  intAttrCount, static_cast<int32_t*>(intAttrs), charAttrLength,
                                  static_cast<char*>(charAttrs));
  });
}

void VXSET(VXINT hconn, VXINT hobj, VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount,
           PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    return queueManager().set(hconn, hobj, selectorCount, static_cast<const int32_t*>(selectors),
                              intAttrCount, static_cast<const int32_t*>(intAttrs), charAttrLength,
                              static_cast<const char*>(charAttrs));
  });
}

}  // namespace vxrt
