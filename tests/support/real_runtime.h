// The embedded queue manager for tests that call the exports: while a
// RealRuntime lives, VXInterface points at the queue manager's vector (taken
// before any test repoints it) instead of the scripted one.
#ifndef TEST_REAL_RUNTIME_H
#define TEST_REAL_RUNTIME_H

#include <cstring>

#include "jni_test.h"
#include "vx/vector.h"

class RealRuntime {
 public:
  RealRuntime();
  ~RealRuntime();
  RealRuntime(const RealRuntime&) = delete;
  RealRuntime& operator=(const RealRuntime&) = delete;

 private:
  VXVector* scripted_;
};

// A structure's bytes: zeroed, with its identifier and version, then filled.
template <typename T, typename Fill>
Bytes structure(const char* strucId, int32_t version, Fill fill) {
  T s;
  std::memset(&s, 0, sizeof s);
  std::memcpy(s.StrucId, strucId, 4);
  s.Version = version;
  fill(s);
  Bytes bytes(sizeof s);
  std::memcpy(bytes.data(), &s, sizeof s);
  return bytes;
}

#endif
