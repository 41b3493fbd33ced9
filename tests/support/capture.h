// Captures what is written to a file descriptor (1 or 2) while it lives.
#ifndef TEST_CAPTURE_H
#define TEST_CAPTURE_H

#include <string>

class FdCapture {
 public:
  explicit FdCapture(int fd);
  ~FdCapture();
  FdCapture(const FdCapture&) = delete;
  FdCapture& operator=(const FdCapture&) = delete;

  // Restores the descriptor and returns what was written to it.
  std::string stop();

 private:
  int fd_;
  int saved_ = -1;
  int file_ = -1;
};

// How often part occurs in text.
std::string::size_type countOf(const std::string& text, const std::string& part);

#endif
