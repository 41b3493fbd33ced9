// A message: its descriptor, its data, and where it stands in a unit of work.
#ifndef VXQM_MESSAGE_H
#define VXQM_MESSAGE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qm/fixed_text.h"
#include "qm/properties.h"
#include "qm/types.h"

namespace vxqm {

// The descriptor fields of a message, decoded from whatever carries them.
struct MessageDescriptor {
  int32_t msgType = VXMT_DATAGRAM;
  int32_t priority = VXPRI_AS_QUEUE;
  int32_t persistence = VXPER_AS_QUEUE;
  int32_t expiry = VXEXP_UNLIMITED;  // milliseconds
  int32_t encoding = 0;
  int32_t codedCharSetId = 0;
  FixedText<8> format;
  MsgId msgId{};
  CorrelId correlId{};
  int32_t backoutCount = 0;
  FixedText<48> replyToQ;
  FixedText<48> replyToQMgr;
  FixedText<12> userIdentifier;
  FixedText<8> putDate;  // "YYYYMMDD"
  FixedText<8> putTime;  // "HHMMSSTT"
};

// Visible messages can be got and browsed. A message put under syncpoint is
// pending until its unit of work commits; one got under syncpoint stays on the
// queue, pending, until its unit of work commits (removed) or backs out
// (visible again, with its backout count raised).
enum class MessageState { Visible, PendingPut, PendingGet };

struct StoredMessage {
  MessageDescriptor md;
  std::vector<uint8_t> data;
  int64_t expiresAt = 0;  // on the queue manager's clock; 0 never
  MessageState state = MessageState::Visible;
  std::shared_ptr<const PropertyList> properties;  // null when it has none
};

// Position of a message in its queue: higher priority first, then in the
// order of putting.
struct MessageKey {
  int32_t rank = 0;  // VXPRI_HIGHEST - priority
  uint64_t sequence = 0;

  bool operator<(const MessageKey& other) const {
    return rank != other.rank ? rank < other.rank : sequence < other.sequence;
  }
  bool operator==(const MessageKey& other) const {
    return rank == other.rank && sequence == other.sequence;
  }
};

// Which messages a get may take.
struct Match {
  bool byMsgId = false;
  MsgId msgId{};
  bool byCorrelId = false;
  CorrelId correlId{};

  bool accepts(const MessageDescriptor& md) const {
    return (!byMsgId || md.msgId == msgId) && (!byCorrelId || md.correlId == correlId);
  }
};

}  // namespace vxqm

#endif
