// Conversion of text message data between character sets: ISO 8859-1
// (819), US-ASCII (367), UTF-8 (1208) and EBCDIC code page 037 (37).
// Latin-1 and code page 037 map one to one, byte for byte; UTF-8 is read and
// written through Latin-1, so characters above U+00FF, malformed UTF-8 and
// bytes above 0x7F in US-ASCII have no mapping: each becomes the target's
// substitute character and is counted.
#ifndef VXQM_CONVERSION_H
#define VXQM_CONVERSION_H

#include <cstdint>
#include <vector>

namespace vxqm {

constexpr int32_t CCSID_EBCDIC_037 = 37;
constexpr int32_t CCSID_US_ASCII = 367;
constexpr int32_t CCSID_LATIN_1 = 819;
constexpr int32_t CCSID_UTF_8 = 1208;

bool convertibleCcsid(int32_t ccsid);

struct Converted {
  std::vector<uint8_t> bytes;
  int32_t unmapped = 0;  // characters replaced by the substitute
};

// Converts length bytes of data from one supported character set to
// another; both must be convertibleCcsid.
Converted convertText(int32_t fromCcsid, int32_t toCcsid, const uint8_t* data, int32_t length);

// How many bytes of converted text fit in capacity without cutting a
// character in two (only UTF-8 has characters of more than one byte).
int32_t fittingLength(int32_t ccsid, const std::vector<uint8_t>& bytes, int32_t capacity);

}  // namespace vxqm

#endif
