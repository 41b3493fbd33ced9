// The conversion entry: text message data converted in place from the
// character set its descriptor names to another.
//
// Arguments after the connection handle (any live connection):
//   options        0; anything else is refused (VXRC_SPI_OPTIONS_ERROR)
//   encoding       the encoding the descriptor reports after the conversion
//   ccsid          the target character set: 37, 367, 819 or 1208
//   anyFormat      1 converts data of any format, 0 only format VXFMT_TEXT
//   md             its CodedCharSetId names the source (0 is 819); on success
//                  it receives the target's character set and the encoding
//   data           the data, converted in place
//   dataLength     in: bytes of data (0 to the buffer length); out: bytes of
//                  the converted data, also when they did not all fit
//   reserved       not used
//   bufferLength   bytes the data area holds
//   unmapped       out (when not null): characters without a mapping, each
//                  replaced by the target's substitute character
// Converted data longer than the buffer keeps the whole characters that fit,
// blank-filled to the buffer's end, with completion code 1 and
// VXRC_CONVERTED_DATA_TRUNCATED.
#include <algorithm>
#include <cstring>

#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "entries/structures.h"
#include "qm/conversion.h"
#include "vx/spi.h"

namespace vxrt {

using vxqm::Status;

void vpiConvertData(VXINT hconn, VXINT options, VXINT encoding, VXINT ccsid, VXINT anyFormat, PVXVOID md,
                    PVXVOID data, PVXINT dataLength, VXINT, VXINT bufferLength, PVXINT cc, PVXINT reason,
                    PVXINT unmapped) {
  answer(cc, reason, [&] {
    if (!queueManager().connected(hconn)) return Status::failure(VXRC_HCONN_ERROR);
    if (options != 0 || (anyFormat != 0 && anyFormat != 1)) return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    VXMD* descriptor = static_cast<VXMD*>(md);
    if (!validHeader(descriptor, VXMD_STRUC_ID, VXMD_CURRENT_VERSION)) return Status::failure(VXRC_MD_ERROR);
    if (bufferLength < 0) return Status::failure(VXRC_BUFFER_LENGTH_ERROR);
    if (dataLength == nullptr || *dataLength < 0 || *dataLength > bufferLength) {
      return Status::failure(VXRC_DATA_LENGTH_ERROR);
    }
    if (data == nullptr && bufferLength > 0) return Status::failure(VXRC_BUFFER_ERROR);
    if (!anyFormat && std::memcmp(descriptor->Format, VXFMT_TEXT, sizeof descriptor->Format) != 0) {
      return Status::failure(VXRC_FORMAT_NOT_CONVERTIBLE);
    }
    int32_t from = descriptor->CodedCharSetId == 0 ? vxqm::CCSID_LATIN_1 : descriptor->CodedCharSetId;
    if (!vxqm::convertibleCcsid(from) || !vxqm::convertibleCcsid(ccsid)) {
      return Status::failure(VXRC_CCSID_NOT_SUPPORTED);
    }
    uint8_t* bytes = static_cast<uint8_t*>(data);
    vxqm::Converted converted = vxqm::convertText(from, ccsid, bytes, *dataLength);
    int32_t size = static_cast<int32_t>(converted.bytes.size());
    int32_t fit = vxqm::fittingLength(ccsid, converted.bytes, bufferLength);
    if (fit > 0) std::memcpy(bytes, converted.bytes.data(), static_cast<size_t>(fit));
    if (size > bufferLength) {
      uint8_t blank = ccsid == vxqm::CCSID_EBCDIC_037 ? 0x40 : 0x20;
      std::fill(bytes + fit, bytes + bufferLength, blank);
    }
    *dataLength = size;
    descriptor->CodedCharSetId = ccsid;
    descriptor->Encoding = encoding;
    if (unmapped != nullptr) *unmapped = converted.unmapped;
    return size > bufferLength ? Status::warning(VXRC_CONVERTED_DATA_TRUNCATED) : Status::ok();
  });
}

}  // namespace vxrt
