// The base of every test that calls the library: a JVM, a scripted runtime,
// the recording trace object, helpers for Java holders and arrays, and the
// checks that run after each test: no Java exception left pending and no
// warning from -Xcheck:jni.
#ifndef TEST_JNI_TEST_H
#define TEST_JNI_TEST_H

#include <gtest/gtest.h>
#include <jni.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture.h"
#include "com_orvane_vx_taly_local_internal_base_Native.h"
#include "scripted_runtime.h"
#include "vx/structure_lengths.h"

// An export by its Java method name.
#define NATIVE(method) Java_com_orvane_vx_taly_local_internal_base_Native_##method

using Bytes = std::vector<uint8_t>;

class JniTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Java objects, local to the test.
  jobject pint(int32_t x = 0);
  int32_t value(jobject pint);
  jobjectArray pints(jsize length, int32_t initial);
  int32_t valueAt(jobjectArray pints, jsize index);
  jbyteArray bytes(const Bytes& content);
  jbyteArray bytes(const std::string& content);
  // An array that holds a whole structure of this kind (vx/structure_lengths.h):
  // head, then zeros.
  jbyteArray structureArray(VxStructure kind, const Bytes& head = {});
  jbyteArray structureArray(VxStructure kind, const std::string& head);
  Bytes bytesOf(jbyteArray array);
  // The first n bytes of an array (fewer when it is shorter).
  Bytes headOf(jbyteArray array, size_t n);
  jthrowable newException(const char* className, const char* message);
  // Connection-handle (LocalHconn) and object-handle (LocalHobj) holders.
  jobject hconnHolder(int32_t value);
  int32_t hconnValue(jobject holder);
  jobject hobjHolder(int32_t value);
  int32_t hobjValue(jobject holder);
  // Message-handle (HmsgImpl) holders.
  jobject hmsgHolder(int64_t value);
  int64_t hmsgValue(jobject holder);

  // The recording trace object that init_conversion was given.
  static jobject traceObject();
  // Its events since the test began, as RecordingTrace describes them.
  std::vector<std::string> events();
  Bytes eventData(int index);
  // A static int field of a Java class ("com/.../Name"), or -99999 with a
  // test failure when the class or field is not there.
  int32_t staticInt(const char* className, const char* field);
  void traceThrowsFrom(const char* method);

  JNIEnv* env = nullptr;
  ScriptedRuntime runtime;

 private:
  jobject callObject(const char* method, const char* signature, ...);
  std::unique_ptr<FdCapture> stdout_;
};

// A test of an export that reports through completion-code and reason
// holders; both start at -1 so that a write of 0 shows.
class ExportTest : public JniTest {
 protected:
  void SetUp() override {
    JniTest::SetUp();
    cc = pint(-1);
    reason = pint(-1);
  }
  std::pair<int32_t, int32_t> codes() { return {value(cc), value(reason)}; }

  jobject cc = nullptr;
  jobject reason = nullptr;
};

// The message part of each native trace line in captured standard error.
std::vector<std::string> traceMessages(const std::string& err);
// The first and the last of those lines, or a note that there were none
// (the binary run without TalyEarlyTrace=finest, which ctest sets).
std::string firstLine(const std::vector<std::string>& lines);
std::string lastLine(const std::vector<std::string>& lines);
// How many of those lines start with start.
size_t linesStartingWith(const std::vector<std::string>& lines, const std::string& start);

// Reads a native-order 32-bit int at offset.
int32_t intAt(const Bytes& bytes, size_t offset);
void putInt(Bytes& bytes, size_t offset, int32_t value);

#endif
