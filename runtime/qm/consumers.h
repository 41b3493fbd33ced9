// Asynchronous consumption: the callbacks registered on a connection and the
// dispatcher thread that calls them.
//
// A connection's consumers are served by one dispatcher thread of the queue
// manager. It runs from VXCTL start to stop, and also while it has
// deregistrations to deliver (a consumer that leaves while the connection is
// stopped, a disconnect). Each consumer meets its calls in this order:
// REGISTER first, then for each start START, messages and events, STOP, and
// DEREGISTER last, also at close and at disconnect. REGISTER goes out at the
// first start after the registration, or, for a consumer that leaves before
// one, just before its DEREGISTER. A consumer that leaves while its
// connection is started (suspended or not) gets the START it is owed, if it
// has not had it yet, and STOP before its DEREGISTER: so a consumer that
// registers and leaves at once gets REGISTER, START, STOP, DEREGISTER on a
// started connection and REGISTER, DEREGISTER on a stopped one, and the last
// call never leaves it in a started state. Every member here is used with
// the queue manager's lock held.
//
// While a callback runs, the dispatcher holds the connection as the call in
// progress VXCALL_CALLBACK; it never holds the queue manager's lock then.
//   - Calls made from inside the callback, on its thread, are the callback's
//     own and run at once, VXCTL stop and VXDISC included; what they ask of
//     the dispatcher (stop calls, deregistrations) follows when the callback
//     returns.
//   - A call from any other thread waits for the callback to return, and the
//     dispatcher starts no new callback while such a call waits or runs;
//     calls that waited are served one after another. So a VXCTL stop or
//     suspend, or a VXCB deregister, from another thread returns when no
//     callback of what it stopped runs any more. A call that finds another
//     caller's call in progress (no callback) fails with 2219, as always.
//   - A callback must not wait for another thread that calls on the same
//     connection; and a callback's call on another connection whose callback
//     is running fails with 2219 rather than wait, so that two dispatchers
//     never wait for each other.
#ifndef VXQM_CONSUMERS_H
#define VXQM_CONSUMERS_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "qm/queue.h"
#include "qm/types.h"

namespace vxqm {

enum class ConsumerKind { Message, Event };

// How a message consumer gets its messages, from its registration.
struct ConsumerOptions {
  Match match;
  bool syncpoint = false;        // under the connection's unit of work
  bool acceptTruncated = false;  // remove a message longer than maxMsgLength, cut
  bool browse = false;           // browse the queue in order, each message once
  int32_t maxMsgLength = VXCBD_FULL_MSG_LENGTH;
  bool suspended = false;        // registered suspended
};

// One call of a callback function. Message calls carry the message's
// descriptor and lengths, and its data when there is any.
struct Delivery {
  int32_t hconn = 0;
  int32_t hobj = 0;
  int32_t callType = 0;  // VXCBCT_*
  Status status;
  int32_t state = VXCS_NONE;
  const MessageDescriptor* md = nullptr;  // null for calls without a message
  const uint8_t* data = nullptr;
  int32_t dataLength = 0;    // the message's full length
  int32_t bufferLength = 0;  // the bytes at data
  FixedText<VX_NAME_LENGTH> queueName;  // the queue the message came from
};

// What a registration calls: the vector's entries put the callback function
// behind it, tests their own.
class Callback {
 public:
  virtual ~Callback() = default;
  virtual void call(const Delivery& delivery) = 0;
};

struct Consumer {
  ConsumerKind kind = ConsumerKind::Message;
  int32_t hobj = 0;
  std::shared_ptr<Callback> callback;
  ConsumerOptions options;
  std::shared_ptr<Queue> queue;  // null for the event handler

  bool suspended = false;   // by VXCB
  bool registered = false;  // REGISTER delivered
  bool started = false;     // START delivered, STOP not yet
  bool leaving = false;     // deregistered: what it is owed, then DEREGISTER
  bool owesStart = false;   // left while started before its START
  bool gone = false;        // DEREGISTER delivered
  int32_t reported = 0;     // the reason of the last event about it, until a get works
  bool stalled = false;     // not looked at again until something changes
  int32_t state = VXCS_NONE;
  std::set<MessageKey> passed;  // messages too long for it, left on the queue
  bool browsing = false;
  MessageKey cursor;            // the last message browsed
  // What a shared store's queue may hold for it: its last look found a
  // message (more), or the queue's generation has moved since (seen).
  bool more = true;
  uint64_t seen = 0;
};

struct Consumers {
  std::vector<std::shared_ptr<Consumer>> list;  // in order of registration
  bool started = false;      // by VXCTL
  bool suspended = false;    // by VXCTL
  uint64_t starts = 0;       // how often started: a later start ends the wait for a stop
  int32_t startWaiters = 0;  // VXCTL start-wait calls waiting
  size_t next = 0;           // where the next look for messages begins

  std::thread thread;
  bool running = false;     // the dispatcher thread is in its loop
  bool inCallback = false;  // the dispatcher holds the connection for a callback
  bool wantsTurn = false;   // the dispatcher waits for another call to end
  int32_t waitingCalls = 0; // calls waiting for a callback to end
  // The dispatcher, and callers waiting for it, wait here; queues with
  // consumers of this connection notify it too.
  Condition changed;

  std::atomic<bool> used{false};  // a callback was ever registered
};

}  // namespace vxqm

#endif
