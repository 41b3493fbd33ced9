#include "holders.h"

std::atomic<jfieldID> fid_PintX{nullptr};

void pint_init(CallContext* ctx) {
  if (jclass cls = findHolderClass(ctx, "com/orvane/vx/taly/handles/Pint")) {
    cache(fid_PintX, holderField(ctx, cls, "x", "I"));
  }
}
