// The connect options in the Java trace, with the password hidden. Both
// connects that take connect options trace them this way.
#ifndef TALY_CONNECT_OPTIONS_H
#define TALY_CONNECT_OPTIONS_H

#include <jni.h>

#include "frame.h"
#include "util/name_array.h"

// The queue-manager name of a connect: pinned as it is (never copied back),
// with the length its trace shows, the array's length capped at 48.
struct QmgrName {
  PlainBytes bytes{ReleaseMode::Abort};
  jsize traceLength = 0;
  NameForRuntime forRuntime;

  // Takes the length, then pins a non-null name; a failed pin is reported
  // under probe as "native_qmname is null". Returns whether the call goes on.
  bool pin(ExportFrame& f, jbyteArray name, int32_t probe);
  const char* chars() const { return reinterpret_cast<const char*>(bytes.bytes()); }
  // What the runtime reads: the pinned name, or a padded copy of a short one.
  void* address() const { return forRuntime.address(); }
};

// Overwrites the password in a copy of the connect options with 'x'. The
// security parameters and the password are trusted only where they lie
// inside the copy; returns false when they do not, and the copy must not be
// traced.
bool maskPassword(unsigned char* copy, jsize length);

// Sends the queue-manager name and the connect options,
// the password hidden, to the Java trace. False when the masked copy could
// not be allocated: then the call fails with reason 2071.
bool traceConnectOptions(ExportFrame& f, const QmgrName& name, const PinnedBytes& cno,
                         jsize cnoLength);

#endif
