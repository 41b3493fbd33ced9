#include "jvm.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

JavaVM* createJavaVM(JNIEnv** env) {
  std::string classPath = std::string("-Djava.class.path=") + TALY_TEST_CLASSPATH;
  // Benchmarks measure the unchecked JNI that production runs with.
#ifdef TALY_UNCHECKED_JNI
  const char* checks = "-Dtaly.jni=unchecked";
#else
  const char* checks = "-Xcheck:jni";
#endif
  // Benchmarks that call the exports from Java load the shipped library.
#ifdef TALY_LIBRARY_DIR
  std::string libraryPath = std::string("-Djava.library.path=") + TALY_LIBRARY_DIR;
#else
  std::string libraryPath = "-Dtaly.library=static";
#endif
  JavaVMOption options[] = {
      {const_cast<char*>(classPath.c_str()), nullptr},
      {const_cast<char*>(libraryPath.c_str()), nullptr},
      {const_cast<char*>(checks), nullptr},
      {const_cast<char*>("-ea"), nullptr},
      {const_cast<char*>("-Xrs"), nullptr},
  };
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_10;
  args.nOptions = sizeof options / sizeof options[0];
  args.options = options;
  args.ignoreUnrecognized = JNI_FALSE;
  JavaVM* vm = nullptr;
  if (JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(env), &args) != JNI_OK) {
    std::fprintf(stderr, "cannot create the JVM\n");
    std::abort();
  }
  return vm;
}

JNIEnv* mainEnv = nullptr;

}  // namespace

JavaVM* javaVM() {
  static JavaVM* vm = createJavaVM(&mainEnv);
  return vm;
}

JNIEnv* jniEnv() {
  javaVM();
  return mainEnv;
}
