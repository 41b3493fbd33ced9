// What every benchmark of the exports shares: the JVM, the library
// initialised with a trace object that does nothing, holders in the Java
// heap, and a runtime vector whose entries the benchmark chooses.
#ifndef BENCH_BENCH_JVM_H
#define BENCH_BENCH_JVM_H

#include <jni.h>

#include "com_orvane_vx_taly_local_internal_base_Native.h"
#include "vx/vector.h"

#define NATIVE(method) Java_com_orvane_vx_taly_local_internal_base_Native_##method

struct BenchJvm {
  JNIEnv* env;
  jobject cc;      // Pint, a global reference
  jobject reason;  // Pint, a global reference
  VXVector vector;  // a copy of the runtime's vector, installed in VXInterface

  // A new global byte array of length bytes, or int array.
  jbyteArray byteArray(jsize length);
  jintArray intArray(jsize length);
  jobject pint(int value);
};

// Made once per process; installs its vector copy in VXInterface.
BenchJvm& benchJvm();

#endif
