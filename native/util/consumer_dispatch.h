// The one function of the library that the runtime calls: it delivers each
// message, control transition and event of a registered consumer to the
// Java consumer, on the runtime's own thread.
#ifndef TALY_CONSUMER_DISPATCH_H
#define TALY_CONSUMER_DISPATCH_H

#include <jni.h>

#include <cstdint>

extern "C" JNIEXPORT void TalyConsumerFunction(int32_t hconn, void* md, void* gmo, void* buffer,
                                               void* cbc);

#endif
