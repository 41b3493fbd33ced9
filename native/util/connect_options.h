// The connect options in the Java trace, with the password hidden. Both
// connects that take connect options trace them this way.
#ifndef TALY_CONNECT_OPTIONS_H
#define TALY_CONNECT_OPTIONS_H

#include <jni.h>

#include "frame.h"

// Overwrites the password in a copy of the connect options with 'x'. The
// security parameters and the password are trusted only where they lie
// inside the copy; returns false when they do not, and the copy must not be
// traced.
bool maskPassword(unsigned char* copy, jsize length);

// Sends the queue-manager name (nameLength bytes) and the connect options,
// the password hidden, to the Java trace. False when the masked copy could
// not be allocated: then the call fails with reason 2071.
bool traceConnectOptions(ExportFrame& f, const PinnedBytes& name, jsize nameLength,
                         const PinnedBytes& cno, jsize cnoLength);

#endif
