// Registration of asynchronous consumers: the callback area that carries a
// registration's Java target to the runtime's callback threads, the
// process-wide tables that the callbacks read, and the texts of operations
// and call types for the trace.
#ifndef TALY_CALLBACK_AREA_H
#define TALY_CALLBACK_AREA_H

#include <jni.h>

#include <atomic>
#include <cstdint>

#include "frame.h"
#include "vx/structs.h"

// Operation flags of VXCB and VXCTL that the library acts on.
constexpr int32_t kOperationRegister = 0x100;

// Call types of the callback context.
constexpr int32_t kCallTypeStop = 2;
constexpr int32_t kCallTypeDeregister = 4;
constexpr int32_t kCallTypeEvent = 5;

// Indexes of the class and method tables: 0 and 1.
constexpr int32_t kCallbackIndexes = 2;
inline bool validCallbackIndex(int32_t index) { return index >= 0 && index < kCallbackIndexes; }

// The identifier and version of a callback area.
constexpr char kCallbackAreaId[4] = {'T', 'J', 'C', 'A'};
constexpr int32_t kCallbackAreaVersion = 1;

// Filled on first use, never replaced or released: a global reference to the
// consumer class of each index, the identifier of its consumer method, and
// the JavaVM that callback threads attach to.
extern std::atomic<jclass> java_callback_class[kCallbackIndexes];
extern std::atomic<jmethodID> talyConsumerMethod_method_id[kCallbackIndexes];
extern std::atomic<JavaVM*> jvm;

// Makes a registration callable: keeps the class of callback_index, keeps
// the JavaVM, and fills the descriptor with a new callback area (holding a
// global reference to instance), the consumer function and a cleared name.
// Stores its completion code and reason through cc and reason. Returns the
// area it made, null when it made none.
TalyCallbackArea* SetupTalyCallbackArea(ExportFrame& f, VXCBD* cbd, int32_t callback_index,
                                        jclass callbackClass, jobject callbackInstance,
                                        int32_t* cc, int32_t* reason);

// Deletes the area's global reference, zeroes the area and frees it.
void freeCallbackArea(JNIEnv* env, TalyCallbackArea* area);

#ifdef TALY_CHECKED
// Callback areas made and not yet freed, in this process.
int liveCallbackAreas();
#endif

// The names of the flags set in operation, joined by "| ", built in buffer.
constexpr size_t kOperationTextSize = 100;
const char* operationText(char* buffer, int32_t operation);

// The name of a call type, or "(n)" built in buffer for any other value.
constexpr size_t kCallTypeTextSize = 16;
const char* callTypeText(char* buffer, int32_t callType);

#endif
