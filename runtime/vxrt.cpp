// The runtime's entry-point vector. The embedded queue manager answers every
// call of it: the connect, object, put, get, inquire, set, unit-of-work,
// subscription, status, message-property, callback and control calls, the XA
// entries, the private calls of entries/spi_entries.h and the data
// conversion. The tables are first filled with an entry that fails with
// completion code 2 and reason VXRC_NOT_AVAILABLE, so that a slot added to
// the vector before the queue manager serves it is never null.
#include <cstddef>
#include <tuple>

#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "services.h"
#include "vx/structs.h"
#include "vx/vector_entries.h"
#include "vx/xa.h"

namespace {

constexpr VXINT VXRT_NOT_AVAILABLE = VXRC_NOT_AVAILABLE;

template <typename Fn>
struct Unavailable;

// A call with codes: its last two arguments are the completion code and reason.
template <typename... A>
struct Unavailable<void (*)(A...)> {
  static void call(A... args) {
    auto arguments = std::forward_as_tuple(args...);
    constexpr std::size_t n = sizeof...(A);
    *std::get<n - 2>(arguments) = VXCC_FAILED;
    *std::get<n - 1>(arguments) = VXRT_NOT_AVAILABLE;
  }
};


template <typename Fn>
Fn unavailable(Fn) {
  return &Unavailable<Fn>::call;
}

VXServices services = [] {
  VXServices table{};
  table.metadataQuery = vxrtMetadataQuery;
  table.xcsSetPointer = vxrtSetPointer;
  table.threadIdText = vxrtThreadIdText;
  table.callInProgress = vxrtCallInProgress;
  return table;
}();

VXXaTable xa = [] {
  VXXaTable table{};
  table.vpiConvertData = vxrt::vpiConvertData;
#define XA(entry) table.entry = vxrt::xa::entry;
  VX_XA_ENTRIES(XA)
#undef XA
  return table;
}();

#define FILL(entry) table.entry = unavailable(table.entry);
VXSpiTable spi = [] {
  VXSpiTable table{};
  VX_SPI_CALLS(FILL)
#define SPI_IMPLEMENTED(entry) table.entry = vxrt::entry;
  VXRT_SPI_IMPLEMENTED_CALLS(SPI_IMPLEMENTED)
#undef SPI_IMPLEMENTED
  return table;
}();

VXPrivate privateRecord = [] {
  VXPrivate record{};
  record.services = &services;
  record.xa = &xa;
  record.spi = &spi;
  return record;
}();

VXVector vector = [] {
  VXVector table{};
  table.priv = &privateRecord;
  VX_PUBLIC_CALLS(FILL)
#undef FILL
#define IMPLEMENTED(entry) table.entry = vxrt::entry;
  VXRT_IMPLEMENTED_CALLS(IMPLEMENTED)
#undef IMPLEMENTED
  return table;
}();

}  // namespace

__attribute__((visibility("default"))) VXVector* VXInterface = &vector;
