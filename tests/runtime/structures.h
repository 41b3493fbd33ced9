// Structures for the tests that call the runtime through its vector: zeroed,
// with their identifier and version, and a message descriptor that takes
// priority and persistence from the queue.
#ifndef TEST_RUNTIME_STRUCTURES_H
#define TEST_RUNTIME_STRUCTURES_H

#include <cstdint>
#include <cstring>

#include "vx/api.h"

template <typename S>
S make(const char* strucId, int32_t version = 1) {
  S s;
  std::memset(&s, 0, sizeof s);
  std::memcpy(s.StrucId, strucId, 4);
  s.Version = version;
  return s;
}

inline VXMD md() {
  VXMD d = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
  d.Priority = VXPRI_AS_QUEUE;
  d.Persistence = VXPER_AS_QUEUE;
  return d;
}

#endif
