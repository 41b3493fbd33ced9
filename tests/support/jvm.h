// The one JVM of a test process, created on first use with the project's
// jars on its class path and -Xcheck:jni.
#ifndef TEST_JVM_H
#define TEST_JVM_H

#include <jni.h>

JNIEnv* jniEnv();
JavaVM* javaVM();

#endif
