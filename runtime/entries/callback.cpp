// Registration and control of callbacks, and the calls of a callback
// function: the VXMD, VXGMO and VXCBC it is given are built here from what
// the dispatcher delivers.
#include <cstring>

#include "entries/entries.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

namespace {

template <typename S>
S header(const char* strucId, int32_t version) {
  S s;
  std::memset(&s, 0, sizeof s);
  std::memcpy(s.StrucId, strucId, 4);
  s.Version = version;
  return s;
}

// A registered callback function with its area, and the VXMD and VXGMO of
// its registration, which every message call hands back with the message's
// fields written into them.
class FunctionCallback : public vxqm::Callback {
 public:
  FunctionCallback(VXConsumerFunction function, void* area, const VXMD* md, const VXGMO* gmo)
      : function_(function), area_(area) {
    md_ = md != nullptr ? *md : header<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
    gmo_ = gmo != nullptr ? *gmo : header<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
  }

  void call(const vxqm::Delivery& delivery) override {
    VXCBC cbc = header<VXCBC>(VXCBC_STRUC_ID, VXCBC_CURRENT_VERSION);
    cbc.CallType = delivery.callType;
    cbc.Hobj = delivery.hobj;
    cbc.CallbackArea = area_;
    cbc.CompCode = delivery.status.cc;
    cbc.Reason = delivery.status.reason;
    cbc.State = delivery.state;
    cbc.DataLength = delivery.dataLength;
    cbc.BufferLength = delivery.bufferLength;
    cbc.Flags = VXCBCF_NONE;
    if (delivery.md == nullptr) {
      function_(delivery.hconn, nullptr, nullptr, nullptr, &cbc);
      return;
    }
    VXMD md = md_;
    VXGMO gmo = gmo_;
    writeMd(*delivery.md, &md);
    writeGmo({delivery.dataLength, delivery.bufferLength, delivery.queueName, delivery.md->msgId}, &gmo);
    function_(delivery.hconn, &md, &gmo, const_cast<uint8_t*>(delivery.data), &cbc);
  }

 private:
  VXConsumerFunction function_;
  void* area_;
  VXMD md_;
  VXGMO gmo_;
};

enum class Action { Register, Deregister, Suspend, Resume, Bad };

Action actionOf(int32_t operation) {
  switch (operation) {
    case VXOP_REGISTER:
    case VXOP_REGISTER | VXOP_SUSPEND:
    case VXOP_REGISTER | VXOP_RESUME:
      return Action::Register;
    case VXOP_DEREGISTER:
      return Action::Deregister;
    case VXOP_SUSPEND:
      return Action::Suspend;
    case VXOP_RESUME:
      return Action::Resume;
    default:
      return Action::Bad;
  }
}

Status readCbd(const VXCBD* cbd, vxqm::ConsumerKind& kind) {
  if (!validHeader(cbd, VXCBD_STRUC_ID, VXCBD_CURRENT_VERSION)) return Status::failure(VXRC_CBD_ERROR);
  if (cbd->CallbackType != VXCBT_MESSAGE_CONSUMER && cbd->CallbackType != VXCBT_EVENT_HANDLER) {
    return Status::failure(VXRC_CALLBACK_TYPE_ERROR);
  }
  kind = cbd->CallbackType == VXCBT_EVENT_HANDLER ? vxqm::ConsumerKind::Event
                                                  : vxqm::ConsumerKind::Message;
  return Status::ok();
}

// The match values and get options of a message consumer; the wait options
// have no use here.
Status readConsumerOptions(const VXCBD* cbd, const VXMD* md, const VXGMO* gmo, int32_t operation,
                           vxqm::ConsumerOptions& out) {
  if (cbd->Options != VXCBDO_NONE) return Status::failure(VXRC_CALLBACK_OPTIONS_ERROR);
  if (cbd->CallbackFunction == nullptr) return Status::failure(VXRC_CALLBACK_FUNCTION_ERROR);
  if (cbd->MaxMsgLength < VXCBD_FULL_MSG_LENGTH) return Status::failure(VXRC_MAX_MSG_LENGTH_ERROR);
  out.maxMsgLength = cbd->MaxMsgLength;
  out.suspended = (operation & VXOP_SUSPEND) != 0;
  if (cbd->CallbackType == VXCBT_EVENT_HANDLER) return Status::ok();
  vxqm::MessageDescriptor match;
  if (md != nullptr) {
    Status status = readMd(md, match);
    if (status.failed()) return status;
  }
  vxqm::GetOptions options;
  if (gmo != nullptr) {
    Status status = readGmo(gmo, options);
    if (status.failed()) return status;
  }
  out.match = {options.matchMsgId, match.msgId, options.matchCorrelId, match.correlId};
  out.syncpoint = options.syncpoint;
  out.acceptTruncated = options.acceptTruncated;
  out.browse = options.browse != vxqm::Browse::None;
  return Status::ok();
}

}  // namespace

void VXCB(VXINT hconn, VXINT operation, PVXVOID cbd, VXINT hobj, PVXVOID md, PVXVOID gmo,
          PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    const VXCBD* descriptor = static_cast<const VXCBD*>(cbd);
    Action action = actionOf(operation);
    if (action == Action::Bad) return Status::failure(VXRC_OPERATION_ERROR);
    if (action == Action::Register && descriptor == nullptr) return Status::failure(VXRC_CBD_ERROR);
    vxqm::ConsumerKind kind = vxqm::ConsumerKind::Message;
    if (descriptor != nullptr) {
      Status status = readCbd(descriptor, kind);
      if (status.failed()) return status;
    }
    vxqm::QueueManager& manager = queueManager();
    switch (action) {
      case Action::Register: {
        vxqm::ConsumerOptions options;
        Status status = readConsumerOptions(descriptor, static_cast<const VXMD*>(md),
                                            static_cast<const VXGMO*>(gmo), operation, options);
        if (status.failed()) return status;
        auto function = reinterpret_cast<VXConsumerFunction>(descriptor->CallbackFunction);
        auto callback = std::make_shared<FunctionCallback>(
            function, descriptor->CallbackArea, static_cast<const VXMD*>(md),
            static_cast<const VXGMO*>(gmo));
        return manager.registerConsumer(hconn, hobj, kind, options, std::move(callback));
      }
      case Action::Deregister:
        return manager.deregisterConsumer(hconn, hobj, kind);
      default:
        return manager.suspendConsumer(hconn, hobj, kind, action == Action::Suspend);
    }
  });
}

void VXCTL(VXINT hconn, VXINT operation, PVXVOID ctlo, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    const VXCTLO* options = static_cast<const VXCTLO*>(ctlo);
    if (options != nullptr && (!validHeader(options, VXCTLO_STRUC_ID, VXCTLO_CURRENT_VERSION) ||
                               options->Options != VXCTLO_NONE)) {
      return Status::failure(VXRC_CTLO_ERROR);
    }
    vxqm::Control control;
    switch (operation) {
      case VXOP_START: control = vxqm::Control::Start; break;
      case VXOP_START_WAIT: control = vxqm::Control::StartWait; break;
      case VXOP_STOP: control = vxqm::Control::Stop; break;
      case VXOP_SUSPEND: control = vxqm::Control::Suspend; break;
      case VXOP_RESUME: control = vxqm::Control::Resume; break;
      default: return Status::failure(VXRC_OPERATION_ERROR);
    }
    return queueManager().control(hconn, control);
  });
}

}  // namespace vxrt
