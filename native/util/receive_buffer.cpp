#include "util/receive_buffer.h"

#include "util/allocation.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The block kept for this thread. A call that finds it in use (a receive
// nested in another on the same thread) takes its memory elsewhere.
struct ThreadBlock {
  unsigned char* block = nullptr;
  bool inUse = false;
  ~ThreadBlock() { std::free(block); }
};
thread_local ThreadBlock threadBlock;

// Large blocks kept between calls, shared by all threads.
struct Pool {
  std::mutex mutex;
  std::vector<std::pair<unsigned char*, size_t>> blocks;
  size_t bytes = 0;
};

Pool& pool() {
  static Pool* shared = new Pool;  // lives as long as the process
  return *shared;
}

// The smallest pooled block of at least size bytes, taken out of the pool.
unsigned char* takePooled(size_t size, size_t* capacity) {
  Pool& p = pool();
  std::lock_guard<std::mutex> lock(p.mutex);
  auto best = p.blocks.end();
  for (auto it = p.blocks.begin(); it != p.blocks.end(); ++it) {
    if (it->second >= size && (best == p.blocks.end() || it->second < best->second)) best = it;
  }
  if (best == p.blocks.end()) return nullptr;
  unsigned char* block = best->first;
  *capacity = best->second;
  p.bytes -= best->second;
  p.blocks.erase(best);
  return block;
}

// Keeps a block for later calls while the pool has room; frees it otherwise.
void pool(unsigned char* block, size_t capacity) {
  Pool& p = pool();
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.blocks.size() < ReceiveBuffer::kPoolBlocks &&
        capacity <= ReceiveBuffer::kPoolBytes - p.bytes) {
      p.blocks.emplace_back(block, capacity);
      p.bytes += capacity;
      return;
    }
  }
  std::free(block);
}

}  // namespace

bool ReceiveBuffer::acquire(int32_t length) {
  giveBack();
  if (allocationRefused()) return false;
  size_t size = static_cast<size_t>(std::max<int64_t>(length, 1));
  if (size <= kThreadBlockSize && !threadBlock.inUse) {
    if (threadBlock.block == nullptr) {
      threadBlock.block = static_cast<unsigned char*>(std::malloc(kThreadBlockSize));
    }
    if (threadBlock.block != nullptr) {
      threadBlock.inUse = true;
      threadBlock_ = true;
      block_ = threadBlock.block;
      capacity_ = kThreadBlockSize;
      return true;
    }
  }
  block_ = takePooled(size, &capacity_);
  if (block_ == nullptr) {
    block_ = static_cast<unsigned char*>(std::malloc(size));
    capacity_ = size;
  }
  return block_ != nullptr;
}

void ReceiveBuffer::keep() {
  if (threadBlock_) {
    threadBlock.block = nullptr;
    threadBlock.inUse = false;
  }
  block_ = nullptr;
  threadBlock_ = false;
}

void ReceiveBuffer::giveBack() {
  if (block_ == nullptr) return;
  if (threadBlock_) {
    threadBlock.inUse = false;
  } else if (capacity_ > kThreadBlockSize) {
    pool(block_, capacity_);
  } else {
    std::free(block_);
  }
  block_ = nullptr;
  threadBlock_ = false;
}
