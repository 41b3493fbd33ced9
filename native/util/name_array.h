// A name that the runtime reads from a fixed-length field (a queue-manager
// name, a like object): up to 48 bytes or a NUL. A Java array of fewer
// bytes reaches the runtime as a copy padded with NULs, so that nothing past
// the array is read; a longer one is passed as it is pinned.
#ifndef TALY_NAME_ARRAY_H
#define TALY_NAME_ARRAY_H

#include <jni.h>

#include "util/array_view.h"
#include "vx/api.h"

class NameForRuntime {
 public:
  // From a pinned name of length bytes; nothing when it is not pinned.
  void take(const PinnedBytes& pinned, jsize length);
  // The address to hand the runtime: null when no name was pinned.
  void* address() const { return address_; }

 private:
  void* address_ = nullptr;
  char padded_[VX_NAME_LENGTH] = {};
};

#endif
