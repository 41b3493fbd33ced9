// getMetaData: tells the Java side which native library it talks to.
#include <cstring>

#include "exports.h"

namespace {

constexpr int32_t kMetaDataFunction = 518;
constexpr const char kBuildLevel[] = TALY_BUILD_LEVEL;
static_assert(sizeof kBuildLevel - 1 <= TMD_BUILD_LEVEL_LENGTH, "build level fits its field");

void putInt(unsigned char* record, size_t offset, int32_t value) {
  std::memcpy(record + offset, &value, sizeof value);
}

int32_t getInt(const unsigned char* record, size_t offset) {
  int32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

void fillRecord(unsigned char* record, int32_t version) {
  putInt(record, TMD_CAPABILITIES, TMD_CAPABILITY_FLAGS);
  putInt(record, TMD_LEVEL, TALY_LEVEL);
  std::memset(record + TMD_BUILD_LEVEL, ' ', TMD_BUILD_LEVEL_LENGTH);
  std::memcpy(record + TMD_BUILD_LEVEL, kBuildLevel, sizeof kBuildLevel - 1);
  if (version >= 2) {
    putInt(record, TMD_RUNTIME_VALUE, 0);
    int32_t size = 4;
    const VXServices* services = runtimeServices();
    if (services != nullptr && services->metadataQuery != nullptr) {
      services->metadataQuery(VXMETA_RUNTIME_SELECTOR, record + TMD_RUNTIME_VALUE, &size);
    }
  }
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_getMetaData(
    JNIEnv* env, jclass, jboolean trace, jbyteArray metadata, jobject ccHolder,
    jobject reasonHolder) {
  ExportFrame f(env, trace, kMetaDataFunction);
  f.entry();
  PlainBytes record(ReleaseMode::CopyBack);
  if (metadata == nullptr || !record.pin(env, metadata)) {
    f.fail(1, "native_metadata is null");
  } else {
    jsize length = env->GetArrayLength(metadata);
    const unsigned char* bytes = record.bytes();
    if (length < 4 || std::memcmp(bytes + TMD_STRUC_ID, "TMD ", 4) != 0) {
      const void* zero = std::memchr(bytes, 0, static_cast<size_t>(length));
      jsize shown = zero != nullptr ? static_cast<jsize>(static_cast<const unsigned char*>(zero) - bytes)
                                    : length;
      f.krux(kMetaDataFunction, 2, 0, 0, 0, "StrucId", TraceText(bytes, shown));
      f.cc = VXCC_FAILED;
      f.reason = VXRC_UNEXPECTED_ERROR;
      record.release();
    } else {
      int32_t version = length >= 8 ? getInt(bytes, TMD_VERSION) : 1;
      jsize required = static_cast<jsize>(version >= 2 ? TMD_LENGTH_V2 : TMD_LENGTH_V1);
      if (length < required) {
        f.failTooShort(1, "native_metadata", required, length);
        record.abort();
      } else {
        fillRecord(record.bytes(), version);
        record.release();
      }
    }
  }
  f.leave(ccHolder, reasonHolder);
}
