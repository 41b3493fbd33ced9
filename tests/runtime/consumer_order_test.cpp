// A consumer that leaves right after it registered still meets its calls in
// order: REGISTER first and DEREGISTER last, START and STOP in pairs, with
// the states the connection had when it left. A thousand times per way of
// leaving and per state of the connection, so that the dispatcher is caught
// at every point of its work.
#include <cctype>
#include <memory>
#include <string>

#include "qm_test.h"
#include "recorder.h"

using namespace vxqm;

namespace {

using Types = std::vector<int32_t>;
constexpr int32_t REGISTER = VXCBCT_REGISTER_CALL, START = VXCBCT_START_CALL, STOP = VXCBCT_STOP_CALL,
                  DEREGISTER = VXCBCT_DEREGISTER_CALL;

enum class Leave { Deregister, CloseQueue, Disconnect };
enum class Before { Nothing, Suspend, Start, StartSuspended, StartStop, RegisterSuspendedAndStart };

// The calls and their states when they are certain; a start that is
// stopped again may or may not have reached the consumer.
struct Variant {
  const char* name;
  Leave leave;
  Before before;
  Types calls;
  std::vector<int32_t> states;
};

const Types kStopped{REGISTER, DEREGISTER};
const Types kStarted{REGISTER, START, STOP, DEREGISTER};
const std::vector<int32_t> kStoppedStates{VXCS_STOPPED, VXCS_STOPPED};
const std::vector<int32_t> kStartedStates{VXCS_NONE, VXCS_NONE, VXCS_STOPPED, VXCS_STOPPED};
const std::vector<int32_t> kSuspendedStates{VXCS_SUSPENDED_USER, VXCS_SUSPENDED_USER, VXCS_STOPPED,
                                            VXCS_STOPPED};

const Variant kVariants[] = {
    {"deregistered, never started", Leave::Deregister, Before::Nothing, kStopped, kStoppedStates},
    {"queue closed, never started", Leave::CloseQueue, Before::Nothing, kStopped, kStoppedStates},
    {"disconnected, never started", Leave::Disconnect, Before::Nothing, kStopped, kStoppedStates},
    {"deregistered, started", Leave::Deregister, Before::Start, kStarted, kStartedStates},
    {"queue closed, started", Leave::CloseQueue, Before::Start, kStarted, kStartedStates},
    {"disconnected, started", Leave::Disconnect, Before::Start, kStarted, kStartedStates},
    {"deregistered, suspended, never started", Leave::Deregister, Before::Suspend, kStopped,
     kStoppedStates},
    {"deregistered, started and suspended", Leave::Deregister, Before::StartSuspended, kStarted,
     kSuspendedStates},
    {"disconnected, started and suspended", Leave::Disconnect, Before::StartSuspended, kStarted,
     kSuspendedStates},
    {"deregistered, registered suspended and started", Leave::Deregister,
     Before::RegisterSuspendedAndStart, kStarted, kSuspendedStates},
    {"deregistered, started and stopped", Leave::Deregister, Before::StartStop, {}, {}},
    {"disconnected, started and stopped", Leave::Disconnect, Before::StartStop, {}, {}},
};

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

class ConsumerOrder : public QmTest, public ::testing::WithParamInterface<Variant> {};

std::string describe(const std::vector<Recorded>& calls) {
  std::string text;
  for (const Recorded& r : calls) text += std::to_string(r.callType) + "/" + std::to_string(r.state) + " ";
  return text;
}

// REGISTER first, DEREGISTER last, each once, and every START followed by
// its STOP before the next START and before the end.
bool inOrder(const Types& calls) {
  if (calls.size() < 2 || calls.front() != REGISTER || calls.back() != DEREGISTER) return false;
  bool started = false;
  for (size_t i = 1; i + 1 < calls.size(); ++i) {
    if (calls[i] == REGISTER || calls[i] == DEREGISTER) return false;
    if (calls[i] == START && started) return false;
    if (calls[i] == STOP && !started) return false;
    if (calls[i] == START || calls[i] == STOP) started = calls[i] == START;
  }
  return !started;
}

}  // namespace

TEST_P(ConsumerOrder, RegisterComesFirstAndDeregisterLastWhenItLeavesAtOnce) {
  const Variant& v = GetParam();
  // The order is the dispatcher's, the same for both stores; on the
  // database every connect opens a database connection, so fewer cycles.
  const int kCycles = databaseStore() ? 100 : 1000;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    int32_t hconn = connect();
    int32_t hobj = open(hconn, "TALY.QUEUE.3", VXOO_INPUT_SHARED);
    auto recorder = std::make_shared<Recorder>();
    ConsumerOptions options;
    options.suspended = v.before == Before::RegisterSuspendedAndStart;
    ASSERT_EQ(qm.registerConsumer(hconn, hobj, ConsumerKind::Message, options, recorder), ok());
    if (v.before == Before::Suspend || v.before == Before::StartSuspended) {
      ASSERT_EQ(qm.control(hconn, Control::Suspend), ok());
    }
    if (v.before != Before::Nothing && v.before != Before::Suspend) {
      ASSERT_EQ(qm.control(hconn, Control::Start), ok());
    }
    if (v.before == Before::StartStop) {
      ASSERT_EQ(qm.control(hconn, Control::Stop), ok());
    }
    switch (v.leave) {
      case Leave::Deregister:
        ASSERT_EQ(qm.deregisterConsumer(hconn, hobj, ConsumerKind::Message), ok());
        break;
      case Leave::CloseQueue:
        ASSERT_EQ(qm.close(hconn, hobj, VXCO_NONE), ok());
        break;
      case Leave::Disconnect:
        break;
    }
    ASSERT_EQ(qm.disconnect(hconn), ok());
    std::vector<Recorded> calls = recorder->calls();
    ASSERT_TRUE(inOrder(recorder->types())) << "cycle " << cycle << ": " << describe(calls);
    if (v.calls.empty()) continue;
    ASSERT_EQ(recorder->types(), v.calls) << "cycle " << cycle << ": " << describe(calls);
    for (size_t i = 0; i < calls.size(); ++i) {
      ASSERT_EQ(calls[i].state, v.states[i]) << "cycle " << cycle << ", call " << i << ": " << describe(calls);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWayOfLeaving, ConsumerOrder, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c != '\0'; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });
