#include "util/array_view.h"

#include <cstdio>
#include <cstdlib>

#include "util/early_trace.h"

jbyte* arrayToVXStructure(JNIEnv* env, jbyteArray array, jboolean* isCopy, void* /*spare*/) {
  jbyte* elements = env->GetByteArrayElements(array, isCopy);
  TALY_TRACE(300, "arrayToVXStructure entry - byteArrayElements @ {%p}",
             static_cast<void*>(elements));
  TALY_TRACE(300, "arrayToVXStructure exit - resultant structure @ {%p}",
             static_cast<void*>(elements));
  return elements;
}

void releaseStructure(JNIEnv* env, jbyteArray array, jbyte* view, jint mode, void* /*spare*/) {
  TALY_TRACE(300, "releaseStructure entry - alignedPtr {%p}", static_cast<void*>(view));
  TALY_TRACE(300, "releaseStructure data - releasing {%p}", static_cast<void*>(view));
  env->ReleaseByteArrayElements(array, view, mode);
  TALY_TRACE(300, "releaseStructure exit");
}

namespace {

#ifdef TALY_CHECKED
thread_local int pinsOfThisThread = 0;
#endif

// A pin that its export forgot. Test builds stop at once; a shipped library
// releases it and goes on.
void forgotten() {
#ifdef TALY_CHECKED
  std::fprintf(stderr, "vxtaly: a pinned array was not released\n");
  std::abort();
#endif
}

}  // namespace

#ifdef TALY_CHECKED
int livePins() { return pinsOfThisThread; }
void countPin(int delta) { pinsOfThisThread += delta; }
#endif

PinnedBytes::~PinnedBytes() {
  if (data_ == nullptr) return;
  forgotten();
  release();
}

bool PinnedBytes::pin(JNIEnv* env, jbyteArray array) {
  env_ = env;
  array_ = array;
  data_ = kind_ == Kind::StructureView ? arrayToVXStructure(env, array, nullptr, nullptr)
                                       : env->GetByteArrayElements(array, nullptr);
  if (data_ != nullptr) countPin(1);
  return data_ != nullptr;
}

void PinnedBytes::release() { releaseWith(static_cast<jint>(mode_)); }

void PinnedBytes::abort() { releaseWith(JNI_ABORT); }

void PinnedBytes::keep() {
  if (data_ != nullptr) countPin(-1);
  data_ = nullptr;
}

void PinnedBytes::releaseWith(jint mode) {
  if (data_ == nullptr) return;
  if (kind_ == Kind::StructureView) {
    releaseStructure(env_, array_, data_, mode, nullptr);
  } else {
    env_->ReleaseByteArrayElements(array_, data_, mode);
  }
  data_ = nullptr;
  countPin(-1);
}

PinnedInts::~PinnedInts() {
  if (data_ == nullptr) return;
  forgotten();
  release();
}

bool PinnedInts::pin(JNIEnv* env, jintArray array) {
  env_ = env;
  array_ = array;
  data_ = env->GetIntArrayElements(array, nullptr);
  if (data_ != nullptr) countPin(1);
  return data_ != nullptr;
}

void PinnedInts::release() {
  if (data_ == nullptr) return;
  env_->ReleaseIntArrayElements(array_, data_, static_cast<jint>(mode_));
  data_ = nullptr;
  countPin(-1);
}
