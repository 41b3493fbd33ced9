// Settings come only from environment variables.
#ifndef TALY_SETTINGS_H
#define TALY_SETTINGS_H

#include <cstdlib>

// The value of the mixed-case variable, or of the upper-case one when the
// first is not set; null when neither is.
inline const char* settingValue(const char* mixedCase, const char* upperCase) {
  const char* value = std::getenv(mixedCase);
  return value != nullptr ? value : std::getenv(upperCase);
}

#endif
