// Settings of the consumer dispatch. Each is read from the environment at
// most once per process, when first asked for, the mixed-case name first.
// A flag is judged by the first letter of its value, in either case.
#ifndef TALY_CONSUMER_SETTINGS_H
#define TALY_CONSUMER_SETTINGS_H

#include <cstdint>

// TalyAsyncConsumeTrace: Java trace events of each callback ('y' or 't').
bool asyncConsumeTrace();
// TalyAttachRetry: the count shown in the attach trace lines (1).
int32_t attachRetry();
// TalyAttachNonDaemon: the attach function named in those lines ('y' or 't').
bool attachNonDaemon();
// TalyAsyncOrig: the attach decision of the original variant ('y'; 'n' off).
bool asyncOrig();
// TalyAlwaysAttachAsyncThread: in that variant, attach without asking first.
bool alwaysAttachAsyncThread();
// TalyAsyncThreadSafe: detach after every callback that attached its thread.
bool asyncThreadSafe();

#endif
