// Access to the runtime's entry-point vector, read afresh at every call so
// that whoever repoints VXInterface takes over every later call.
#ifndef TALY_RUNTIME_VECTOR_H
#define TALY_RUNTIME_VECTOR_H

#include "vx/vector.h"

inline VXVector& runtimeVector() { return *VXInterface; }

inline const VXServices* runtimeServices() {
  const VXVector* vector = VXInterface;
  if (vector == nullptr || vector->priv == nullptr) return nullptr;
  return vector->priv->services;
}

#endif
