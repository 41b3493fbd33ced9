// What the service-provider exports share: the runtime's SPI table, the
// marked release of their arrays and the fixed-length data traces of the
// private structures.
#ifndef TALY_SPI_CALLS_H
#define TALY_SPI_CALLS_H

#include <algorithm>

#include "exports.h"

inline VXSpiTable& spiTable() { return *runtimeVector().priv->spi; }

// Releases a pinned array after a progress marker; nothing for an array
// that was not pinned.
inline void releaseMarked(PinnedBytes& pinned) {
  if (!pinned) return;
  TALY_MARK();
  pinned.release();
}

// Traces the first length bytes of a pinned structure, or only as many as
// its Java array holds, so that a short array is never read past its end.
inline void traceHead(ExportFrame& f, const char* text, const PinnedBytes& view,
                      int32_t length) {
  if (!f.ctx.trace) return;
  int32_t held = view ? std::min(length, f.ctx.env->GetArrayLength(view.array())) : 0;
  f.data(f.function, text, view.data(), held);
}

#endif
