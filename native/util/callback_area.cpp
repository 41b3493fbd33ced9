#include "util/callback_area.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/allocation.h"
#include "util/consumer_dispatch.h"
#include "util/early_trace.h"

std::atomic<jclass> java_callback_class[kCallbackIndexes]{};
std::atomic<jmethodID> talyConsumerMethod_method_id[kCallbackIndexes]{};
std::atomic<JavaVM*> jvm{nullptr};

namespace {

constexpr int32_t kSetupFunction = 0;

#ifdef TALY_CHECKED
std::atomic<int> areasLive{0};
#endif

void countArea(int delta) {
#ifdef TALY_CHECKED
  areasLive += delta;
#else
  (void)delta;
#endif
}

// Keeps the class of the first registration of an index; a later one, or
// one that loses a race for the slot, leaves it as it is.
void keepClass(JNIEnv* env, int32_t index, jclass callbackClass) {
  std::atomic<jclass>& slot = java_callback_class[index];
  if (slot.load(std::memory_order_acquire) != nullptr) return;
  auto global = static_cast<jclass>(env->NewGlobalRef(callbackClass));
  jclass empty = nullptr;
  if (global != nullptr && !slot.compare_exchange_strong(empty, global)) {
    env->DeleteGlobalRef(global);
  }
}

}  // namespace

#ifdef TALY_CHECKED
int liveCallbackAreas() { return areasLive.load(); }
#endif

TalyCallbackArea* SetupTalyCallbackArea(ExportFrame& f, VXCBD* cbd, int32_t callback_index,
                                        jclass callbackClass, jobject callbackInstance,
                                        int32_t* cc, int32_t* reason) {
  JNIEnv* env = f.ctx.env;
  f.entry(kSetupFunction);
  TALY_TRACE(400, "SetupCallbackArea(entry)");
  TALY_TRACE(400, "SetupTalyCallbackArea: java_callback_instance:%p",
             static_cast<void*>(callbackInstance));
  int32_t localCc = VXCC_OK;
  int32_t localReason = VXRC_NONE;
  TalyCallbackArea* area = nullptr;

  keepClass(env, callback_index, callbackClass);
  JavaVM* vm = nullptr;
  if (env->GetJavaVM(&vm) == JNI_OK && vm != nullptr) {
    TALY_TRACE(400, "SetupCallbackArea: jvm:%p", static_cast<void*>(vm));
    JavaVM* unset = nullptr;
    jvm.compare_exchange_strong(unset, vm);

    area = static_cast<TalyCallbackArea*>(allocate(sizeof(TalyCallbackArea)));
    TALY_TRACE(400, "SetupTalyCallbackArea: talyCallbackArea:%p", static_cast<void*>(area));
    jobject instance = area != nullptr ? env->NewGlobalRef(callbackInstance) : nullptr;
    if (area != nullptr && instance == nullptr) {
      // No global reference (the JVM's table is full): a callback could not
      // reach the instance, so the registration fails like an allocation.
      f.settle();
      std::free(area);
      area = nullptr;
      f.krux(kSetupFunction, 2, 0, 0, 0, "NewGlobalRef");
      localCc = VXCC_FAILED;
      localReason = VXRC_STORAGE_NOT_AVAILABLE;
    } else if (area != nullptr) {
      countArea(1);
      std::memcpy(area->StrucId, kCallbackAreaId, sizeof area->StrucId);
      area->Version = kCallbackAreaVersion;
      area->callback_index = callback_index;
      area->java_callback_instance = instance;
      cbd->CallbackArea = area;
      TALY_TRACE(400, "SetupTalyCallbackArea: talyCallbackArea->java_callback_instance:%p",
                 area->java_callback_instance);
    } else {
      f.krux(kSetupFunction, 1, 0, 0, 0, "malloc");
      localCc = VXCC_FAILED;
      localReason = VXRC_UNEXPECTED_ERROR;
    }
    cbd->CallbackFunction = reinterpret_cast<void*>(&TalyConsumerFunction);
    std::memset(cbd->CallbackName, 0, sizeof cbd->CallbackName);
  }

  *cc = localCc;
  *reason = localReason;
  TALY_TRACE(400, "SetupCallbackArea(exit)");
  f.exit(kSetupFunction, localReason);
  return area;
}

void freeCallbackArea(JNIEnv* env, TalyCallbackArea* area) {
  env->DeleteGlobalRef(static_cast<jobject>(area->java_callback_instance));
  std::memset(area, 0, sizeof *area);
  std::free(area);
  countArea(-1);
}

const char* operationText(char* buffer, int32_t operation) {
  static const struct {
    int32_t flag;
    const char* text;
  } kFlags[] = {{0x1, "| VXOP_START"},         {0x2, "| VXOP_START_WAIT"},
                {0x4, "| VXOP_STOP"},          {0x100, "| VXOP_REGISTER"},
                {0x200, "| VXOP_DEREGISTER"},  {0x10000, "| VXOP_SUSPEND"},
                {0x20000, "| VXOP_RESUME"}};
  // The first name goes over the two blanks, so that skipping them drops
  // its separator; without any name the text is empty.
  std::strcpy(buffer, "  ");
  size_t length = 0;
  for (const auto& flag : kFlags) {
    if ((operation & flag.flag) == 0) continue;
    std::strcpy(buffer + length, flag.text);
    length += std::strlen(flag.text);
  }
  return buffer + 2;
}

const char* callTypeText(char* buffer, int32_t callType) {
  static const char* const kNames[] = {
      "VXCBCT_START_CALL",      "VXCBCT_STOP_CALL",  "VXCBCT_REGISTER_CALL",
      "VXCBCT_DEREGISTER_CALL", "VXCBCT_EVENT_CALL", "VXCBCT_MSG_REMOVED",
      "VXCBCT_MSG_NOT_REMOVED"};
  if (callType >= 1 && callType <= 7) return kNames[callType - 1];
  std::snprintf(buffer, kCallTypeTextSize, "(%d)", callType);
  return buffer;
}
