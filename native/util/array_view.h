// Pinning of the Java arrays that hold API structures, buffers and int lists.
#ifndef TALY_ARRAY_VIEW_H
#define TALY_ARRAY_VIEW_H

#include <jni.h>

// The native view of a structure held in a Java byte array (null when the
// JVM cannot pin it), and its release. Both write array-view trace lines.
jbyte* arrayToVXStructure(JNIEnv* env, jbyteArray array, jboolean* isCopy, void* spare);
void releaseStructure(JNIEnv* env, jbyteArray array, jbyte* view, jint mode, void* spare);

// How a pinned array goes back: copied back and freed, or freed unchanged.
enum class ReleaseMode : jint {
  CopyBack = 0,
  Abort = JNI_ABORT,
};

// Arrays pinned on this thread and not yet released (or kept on purpose);
// the export frame checks in test builds that an export leaves none behind.
// Shipped builds do not count.
#ifdef TALY_CHECKED
int livePins();
void countPin(int delta);
#else
inline int livePins() { return 0; }
inline void countPin(int) {}
#endif

// A Java byte array pinned for one export call. It knows how it was pinned
// (as a structure view, or directly) and the mode it is released with.
// Exports release explicitly, in the order they describe; the destructor
// only guards a path that forgot (and reports it in checked builds).
class PinnedBytes {
 public:
  enum class Kind { StructureView, Plain };

  PinnedBytes(Kind kind, ReleaseMode mode) : kind_(kind), mode_(mode) {}
  PinnedBytes(const PinnedBytes&) = delete;
  PinnedBytes& operator=(const PinnedBytes&) = delete;
  ~PinnedBytes();

  // False when the JVM could not pin the array.
  bool pin(JNIEnv* env, jbyteArray array);
  // Releases with the mode given at construction.
  void release();
  // Releases without copying back, whatever the mode. Only for a call that
  // rejected its arguments before anything could have been written.
  void abort();
  // Leaves the array pinned on purpose.
  void keep();

  jbyte* data() const { return data_; }
  unsigned char* bytes() const { return reinterpret_cast<unsigned char*>(data_); }
  jbyteArray array() const { return array_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  void releaseWith(jint mode);

  Kind kind_;
  ReleaseMode mode_;
  JNIEnv* env_ = nullptr;
  jbyteArray array_ = nullptr;
  jbyte* data_ = nullptr;
};

struct StructureView : PinnedBytes {
  explicit StructureView(ReleaseMode mode) : PinnedBytes(Kind::StructureView, mode) {}
};

struct PlainBytes : PinnedBytes {
  explicit PlainBytes(ReleaseMode mode) : PinnedBytes(Kind::Plain, mode) {}
};

// A Java int array pinned directly for one export call.
class PinnedInts {
 public:
  explicit PinnedInts(ReleaseMode mode) : mode_(mode) {}
  PinnedInts(const PinnedInts&) = delete;
  PinnedInts& operator=(const PinnedInts&) = delete;
  ~PinnedInts();

  bool pin(JNIEnv* env, jintArray array);
  void release();

  jint* data() const { return data_; }
  jintArray array() const { return array_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  ReleaseMode mode_;
  JNIEnv* env_ = nullptr;
  jintArray array_ = nullptr;
  jint* data_ = nullptr;
};

#endif
