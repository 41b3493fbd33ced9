// What every file of exports includes: the JNI declarations generated from
// the Java class Native (so that the compiler checks every export against
// its Java declaration), the export frame, the vector and the native trace.
#ifndef TALY_EXPORTS_H
#define TALY_EXPORTS_H

#include "com_orvane_vx_taly_local_internal_base_Native.h"
#include "frame.h"
#include "holders.h"
#include "runtime_vector.h"
#include "util/array_view.h"
#include "util/early_trace.h"

#endif
