// Native memory that the runtime receives a message into, in place of a
// pinned copy of the Java buffer.
//
// Pinning a Java byte array on this JVM copies the whole array into native
// memory (and a copy-back release copies it all back), so a short message
// got into a large buffer would cost a copy of the buffer. The receiving
// exports hand the runtime this memory instead and copy back only the bytes
// that arrived.
//
// Blocks up to kThreadBlockSize bytes come from a block kept per thread
// (allocated once, reused by every later call of that thread); larger ones
// from a small pool shared by all threads, which keeps at most
// kPoolBlocks blocks and kPoolBytes bytes between calls; beyond that they
// are allocated and freed per call.
#ifndef TALY_RECEIVE_BUFFER_H
#define TALY_RECEIVE_BUFFER_H

#include <jni.h>

#include <cstddef>
#include <cstdint>

class ReceiveBuffer {
 public:
  static constexpr size_t kThreadBlockSize = 64 * 1024;
  static constexpr size_t kPoolBlocks = 4;
  static constexpr size_t kPoolBytes = 32 * 1024 * 1024;

  ReceiveBuffer() = default;
  ReceiveBuffer(const ReceiveBuffer&) = delete;
  ReceiveBuffer& operator=(const ReceiveBuffer&) = delete;
  ~ReceiveBuffer() { giveBack(); }

  // A block of at least length bytes, and at least 1 byte so that the
  // address is never null; false when no memory could be had.
  bool acquire(int32_t length);
  // Returns the block for later calls.
  void giveBack();
  // Leaves the block to the runtime for good, never reused or freed (a
  // debug setting asks for it).
  void keep();

  jbyte* data() const { return reinterpret_cast<jbyte*>(block_); }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  unsigned char* block_ = nullptr;
  size_t capacity_ = 0;
  bool threadBlock_ = false;
};

#endif
