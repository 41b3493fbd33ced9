// The private define, delete and inquire of queues, by object selector.
#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "entries/structures.h"
#include "vx/spi.h"

namespace vxrt {

using vxqm::Status;

namespace {

// The queue that a selector names.
Status readSelector(const void* selector, std::string& name, int32_t* queueType = nullptr) {
  const LpiObjectSelector* s = static_cast<const LpiObjectSelector*>(selector);
  if (!validHeader(s, LPIOSL_STRUC_ID, LPI_CURRENT_VERSION) || s->ObjectType != VXOT_QUEUE) {
    return Status::failure(VXRC_OBJECT_SELECTOR_ERROR);
  }
  name = vxqm::fieldText(s->ObjectName, sizeof s->ObjectName);
  if (queueType != nullptr) *queueType = s->QueueType;
  return Status::ok();
}

}  // namespace

// The like object is a 48-character name; null or blank for the default
// attributes. A filter element is refused: a definition selects no objects.
void lpiSPIDefine(VXINT hconn, VXINT define, PVXVOID objectSelector, PVXVOID likeObject,
                  VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount, PVXVOID intAttrs,
                  VXINT charAttrLength, PVXVOID charAttrs, PVXVOID filterElement, PVXVOID attrErrors,
                  PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    LpiAttrErrors* errors = static_cast<LpiAttrErrors*>(attrErrors);
    if (errors != nullptr && !validHeader(errors, LPIAER_STRUC_ID, LPI_CURRENT_VERSION)) errors = nullptr;
    if (errors != nullptr) *errors = {{'L', 'A', 'E', 'R'}, errors->Version, 0, VXRC_NONE};
    if (define != LPIDEF_CREATE && define != LPIDEF_REPLACE) return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    vxqm::DefineRequest request;
    status = readSelector(objectSelector, request.name, &request.queueType);
    if (status.failed()) return status;
    if (filterElement != nullptr) return Status::failure(VXRC_FILTER_ERROR);
    if (likeObject != nullptr) {
      request.likeName = vxqm::fieldText(static_cast<const char*>(likeObject), VX_NAME_LENGTH);
    }
    request.create = define == LPIDEF_CREATE;
    request.selectorCount = selectorCount;
    request.selectors = static_cast<const int32_t*>(selectors);
    request.intCount = intAttrCount;
    request.intAttrs = static_cast<const int32_t*>(intAttrs);
    request.charLength = charAttrLength;
    request.charAttrs = static_cast<const char*>(charAttrs);
    vxqm::AttributeError error;
    status = queueManager().defineQueue(hconn, request, error);
    if (errors != nullptr) {
      errors->Selector = error.selector;
      errors->Reason = error.reason;
    }
    return status;
  });
}

void lpiSPIDelete(VXINT hconn, PVXVOID objectSelector, VXINT remove, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    std::string name;
    status = readSelector(objectSelector, name);
    if (status.failed()) return status;
    return queueManager().removeQueue(hconn, name, remove != 0);
  });
}

void spiInquire(VXINT hconn, PVXVOID objectSelector, VXINT selectorCount, PVXVOID selectors,
                VXINT intAttrCount, PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs,
                PVXVOID filterElement, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    std::string name;
    status = readSelector(objectSelector, name);
    if (status.failed()) return status;
    vxqm::QueueFilter filter;
    const LpiFilterElement* element = static_cast<const LpiFilterElement*>(filterElement);
    if (element != nullptr) {
      if (!validHeader(element, LPIFLT_STRUC_ID, LPI_CURRENT_VERSION)) {
        return Status::failure(VXRC_FILTER_ERROR);
      }
      filter = {element->Selector, element->Operator, element->Value};
    }
    return queueManager().inquireQueue(hconn, name, element != nullptr ? &filter : nullptr,
                                       selectorCount, static_cast<const int32_t*>(selectors),
                                       intAttrCount, static_cast<int32_t*>(intAttrs), charAttrLength,
                                       static_cast<char*>(charAttrs));
  });
}

}  // namespace vxrt
