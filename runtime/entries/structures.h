// Reading and writing the queueing structures: identifier and version
// checks, option words, and the conversion to and from the queue manager's
// requests and results.
#ifndef VXRT_STRUCTURES_H
#define VXRT_STRUCTURES_H

#include <cstring>

#include "qm/queue_manager.h"
#include "vx/api.h"
#include "vx/subscriptions.h"

namespace vxrt {

// A structure is usable when present, with its identifier and a version
// from 1 to the current one.
template <typename S>
bool validHeader(const S* s, const char* strucId, int32_t currentVersion) {
  return s != nullptr && std::memcmp(s->StrucId, strucId, 4) == 0 && s->Version >= 1 &&
         s->Version <= currentVersion;
}

// A fixed-length character field, blank-padded; longer text is cut.
void putText(char* field, size_t length, std::string_view text);

// A subscription descriptor (identifier and version checked already) into a
// request, and the subscription's correlation identifier and queue into it.
vxqm::Status readSubscription(const VXSD* descriptor, vxqm::SubscribeRequest& request);
void writeSubscription(const vxqm::SubscribeResult& result, VXSD* descriptor);

vxqm::Status readMd(const VXMD* md, vxqm::MessageDescriptor& out);
void writeMd(const vxqm::MessageDescriptor& in, VXMD* md);

vxqm::Status readGmo(const VXGMO* gmo, vxqm::GetOptions& out);
void writeGmo(const vxqm::GetResult& in, VXGMO* gmo);

vxqm::Status readPmo(const VXPMO* pmo, vxqm::PutOptions& out);
void writePmo(const vxqm::PutResult& in, VXPMO* pmo);

// Also for the dump request, which needs the object type and name only.
vxqm::Status readOd(const VXOD* od, vxqm::ObjectRequest& out);
void writeOd(const vxqm::ObjectResolution& in, VXOD* od);

vxqm::Status readOpenOptions(int32_t options, vxqm::OpenOptions& out);

// Connect options with their security parameters.
vxqm::Status readCno(const VXCNO* cno, vxqm::ConnectRequest& out);

// The queue-manager name of a connect: at most 48 bytes, up to a NUL,
// trailing blanks ignored; null is the default.
std::string qmgrName(const void* name);

}  // namespace vxrt

#endif
