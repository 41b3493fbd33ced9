// A fault-injecting JNIEnv. While a FaultyEnv lives, the thread's JNIEnv
// calls through a copy of its function table in which chosen functions fail
// on their Nth call, some are logged, and local references and pins are
// counted. Everything else reaches the real (checked) functions unchanged.
#ifndef TEST_FAULTY_ENV_H
#define TEST_FAULTY_ENV_H

#include <jni.h>

#include <map>
#include <string>
#include <vector>

enum class Jni {
  GetByteArrayElements,
  NewByteArray,
  GetJavaVM,
  GetObjectArrayElement,
  GetIntArrayElements,
  NewGlobalRef,
  // These make the call, then throw an IllegalStateException ("thrown by
  // the test"), as a holder accessor that fails would.
  CallIntMethod,
  CallLongMethod,
  CallVoidMethod,
};

class FaultyEnv {
 public:
  explicit FaultyEnv(JNIEnv* env);
  ~FaultyEnv();
  FaultyEnv(const FaultyEnv&) = delete;
  FaultyEnv& operator=(const FaultyEnv&) = delete;

  // The env to hand to the code under test.
  JNIEnv* env() const { return env_; }

  // The nth call of function from now on fails: a null result, JNI_ERR, or
  // an exception thrown after the call.
  void fail(Jni function, int nth = 1);
  // FindClass of this class fails as for a class that is not there.
  void failClass(const std::string& name) { missingClass_ = name; }
  const std::string& missingClass() const { return missingClass_; }

  // Logged calls in order, such as "GetByteArrayElements" or
  // "ReleaseByteArrayElements(2)"; with a prefix, only those that start with it.
  std::vector<std::string> log(const std::string& prefix = "") const;
  // Local references made minus those deleted.
  int localRefs() const { return localRefs_; }
  // Arrays pinned and not released.
  int pins() const { return pins_; }
  // The byte arrays pinned (GetByteArrayElements) and released, in order,
  // as the references that the code under test passed.
  const std::vector<const void*>& pinnedArrays() const { return pinnedArrays_; }
  const std::vector<const void*>& releasedArrays() const { return releasedArrays_; }

  // Used by the wrapped functions.
  static FaultyEnv& current();
  const JNINativeInterface_* real() const { return real_; }
  bool failsNow(Jni function);
  void note(std::string entry) { log_.push_back(std::move(entry)); }
  void madeLocal(const void* ref) { localRefs_ += ref != nullptr; }
  void deletedLocal(const void* ref) { localRefs_ -= ref != nullptr; }
  void pinned(int delta) { pins_ += delta; }
  void pinnedArray(const void* array) { pinnedArrays_.push_back(array); }
  void releasedArray(const void* array) { releasedArrays_.push_back(array); }

 private:
  JNIEnv* env_;
  const JNINativeInterface_* real_;
  JNINativeInterface_ table_;
  std::map<Jni, int> failAt_;
  std::map<Jni, int> calls_;
  std::vector<std::string> log_;
  std::string missingClass_;
  int localRefs_ = 0;
  int pins_ = 0;
  std::vector<const void*> pinnedArrays_;
  std::vector<const void*> releasedArrays_;
};

#endif
