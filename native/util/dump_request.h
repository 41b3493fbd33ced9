// The queue-manager dump request, made when a call returns the reason named
// by TalyDumpQmgrReason.
#ifndef TALY_DUMP_REQUEST_H
#define TALY_DUMP_REQUEST_H

#include <cstdint>

int32_t readDumpReason();

// The reason that triggers a dump, 0 for none; read once per process. Every
// export asks after its runtime call, so the read is inline.
inline int32_t dumpQmgrReason() {
  static const int32_t reason = readDumpReason();
  return reason;
}

// Asks the queue manager on hconn for a dump; the outcome is not examined.
void requestQmgrDump(int32_t hconn);

#endif
