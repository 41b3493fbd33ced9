#include "bench_jvm.h"

#include "jvm.h"

namespace {

jobject global(JNIEnv* env, jobject local) {
  jobject made = env->NewGlobalRef(local);
  env->DeleteLocalRef(local);
  return made;
}

BenchJvm make() {
  BenchJvm b{};
  b.env = jniEnv();
  JNIEnv* env = b.env;
  b.vector = *VXInterface;
  jclass traceClass = env->FindClass("com/orvane/vx/taly/testkit/NullTrace");
  jobject trace = env->NewObject(traceClass, env->GetMethodID(traceClass, "<init>", "()V"));
  jclass pintClass = env->FindClass("com/orvane/vx/taly/handles/Pint");
  jobjectArray exchange = env->NewObjectArray(0, pintClass, nullptr);
  NATIVE(init_1conversion)(env, nullptr, JNI_FALSE, trace, exchange);
  return b;
}

}  // namespace

jbyteArray BenchJvm::byteArray(jsize length) {
  return static_cast<jbyteArray>(global(env, env->NewByteArray(length)));
}

jintArray BenchJvm::intArray(jsize length) {
  return static_cast<jintArray>(global(env, env->NewIntArray(length)));
}

jobject BenchJvm::pint(int value) {
  jclass pintClass = env->FindClass("com/orvane/vx/taly/handles/Pint");
  jobject made = global(env, env->NewObject(pintClass, env->GetMethodID(pintClass, "<init>", "(I)V"), value));
  env->DeleteLocalRef(pintClass);
  return made;
}

BenchJvm& benchJvm() {
  static BenchJvm b = [] {
    BenchJvm made = make();
    made.cc = made.pint(0);
    made.reason = made.pint(0);
    return made;
  }();
  VXInterface = &b.vector;
  return b;
}
