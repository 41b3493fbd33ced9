// The checks that keep the runtime inside a structure's Java array: the
// array holds the whole structure, and the strings and records that the
// structure names by offset lie inside the array. The runtime cannot know an
// array's length, so whatever it would read or write past one is refused
// here, before the array is pinned.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "frame.h"
#include "util/array_view.h"

namespace {

// What is wrong with a structure array, if anything.
struct Breach {
  enum class Kind { None, Outside, Pointer };
  Kind kind = Kind::None;
  int64_t required = 0;  // the bytes an array would need, for Outside

  explicit operator bool() const { return kind != Kind::None; }
};

template <typename T>
T fieldAt(JNIEnv* env, jbyteArray array, size_t offset) {
  T value;
  env->GetByteArrayRegion(array, static_cast<jsize>(offset), static_cast<jsize>(sizeof value),
                          reinterpret_cast<jbyte*>(&value));
  return value;
}

// length bytes at offset from the array's start, compared without overflow.
Breach range(int64_t offset, int64_t length, jsize present) {
  if (offset >= 0 && offset <= present && length <= present - offset) return {};
  return {Breach::Kind::Outside, offset + length};
}

// What the runtime does with a string: reads its length, or writes up to its
// buffer size.
enum class Use { Read, Written };

// The string described by the VXCHARV at byte at, its offset counted from
// the array's start. One given by a pointer lies outside the array.
Breach stringAt(JNIEnv* env, jbyteArray array, jsize present, size_t at, Use use) {
  VXCHARV string = fieldAt<VXCHARV>(env, array, at);
  int32_t length = use == Use::Read ? string.VSLength : string.VSBufSize;
  if (length <= 0) return {};
  if (string.VSPtr != nullptr) return {Breach::Kind::Pointer, 0};
  return range(string.VSOffset, length, present);
}

// The security parameters of connect options from the version that has
// them, and the user identifier and password within them.
Breach securityParameters(JNIEnv* env, jbyteArray array, jsize present) {
  int32_t version = fieldAt<int32_t>(env, array, VXCNO_VERSION);
  int32_t offset = fieldAt<int32_t>(env, array, VXCNO_SECURITY_PARMS_OFFSET);
  if (version < VXCNO_VERSION_WITH_SECURITY || offset == 0) return {};
  if (Breach breach = range(offset, vxStructureLength(VxStructure::CSP), present)) return breach;
  VXCSP csp = fieldAt<VXCSP>(env, array, static_cast<size_t>(offset));
  for (auto [at, length] : {std::pair{csp.UserIdOffset, csp.UserIdLength},
                            std::pair{csp.PasswordOffset, csp.PasswordLength}}) {
    if (length <= 0) continue;
    if (Breach breach = range(static_cast<int64_t>(offset) + at, length, present)) return breach;
  }
  return {};
}

Breach firstOf(std::initializer_list<Breach> breaches) {
  for (const Breach& breach : breaches) {
    if (breach) return breach;
  }
  return {};
}

// The strings and records a structure names by offset; the array holds the
// structure itself.
Breach namedParts(JNIEnv* env, jbyteArray array, jsize present, VxStructure structure) {
  switch (structure) {
    case VxStructure::OD:
      return firstOf({stringAt(env, array, present, offsetof(VXOD, ObjectString), Use::Read),
                      stringAt(env, array, present, offsetof(VXOD, SelectionString), Use::Read),
                      stringAt(env, array, present, offsetof(VXOD, ResObjectString), Use::Written)});
    case VxStructure::SD:
      return firstOf({stringAt(env, array, present, offsetof(VXSD, ObjectString), Use::Read),
                      stringAt(env, array, present, offsetof(VXSD, SubName), Use::Read)});
    case VxStructure::PropertyName:
      return stringAt(env, array, present, 0, Use::Read);
    case VxStructure::CNO:
      return securityParameters(env, array, present);
    default:
      return {};
  }
}

int32_t clamped(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value);
}

}  // namespace

bool ExportFrame::holds(jbyteArray array, VxStructure structure, int32_t probe, const char* name,
                        jsize* length) {
  if (!ok() || array == nullptr) return ok();
  JNIEnv* env = ctx.env;
  jsize present = env->GetArrayLength(array);
  if (length != nullptr) *length = present;
  int32_t required = vxStructureLength(structure);
  if (present < required) {
    failTooShort(probe, name, required, present);
    return false;
  }
  Breach breach = namedParts(env, array, present, structure);
  if (breach.kind == Breach::Kind::Outside) {
    failTooShort(probe, name, clamped(breach.required), present);
  } else if (breach.kind == Breach::Kind::Pointer) {
    char message[128];
    std::snprintf(message, sizeof message, "%s holds a native pointer", name);
    krux(function, probe, VXRC_UNEXPECTED_ERROR, 0, present, message);
    cc = VXCC_FAILED;
    reason = VXRC_UNEXPECTED_ERROR;
  }
  return ok();
}

bool ExportFrame::pinStructure(PinnedBytes& view, jbyteArray array, VxStructure structure,
                               int32_t probe, const char* name, jsize* length) {
  if (!holds(array, structure, probe, name, length) || array == nullptr) return ok();
  if (!view.pin(ctx.env, array)) {
    char message[128];
    std::snprintf(message, sizeof message, "%s is null", name);
    fail(probe, message);
  }
  return ok();
}
