#include "real_runtime.h"

namespace {

// The queue manager's vector, taken before any test repoints VXInterface.
VXVector* const queueManagerVector = VXInterface;

}  // namespace

RealRuntime::RealRuntime() : scripted_(VXInterface) { VXInterface = queueManagerVector; }

RealRuntime::~RealRuntime() { VXInterface = scripted_; }
