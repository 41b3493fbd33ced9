#include "capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

FdCapture::FdCapture(int fd) : fd_(fd) {
  std::fflush(stdout);
  std::fflush(stderr);
  char path[] = "/tmp/vxtaly-capture-XXXXXX";
  file_ = mkstemp(path);
  unlink(path);
  saved_ = dup(fd_);
  dup2(file_, fd_);
}

FdCapture::~FdCapture() { stop(); }

std::string FdCapture::stop() {
  if (saved_ < 0) return "";
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(saved_, fd_);
  close(saved_);
  saved_ = -1;
  std::string text;
  char buffer[4096];
  lseek(file_, 0, SEEK_SET);
  for (ssize_t n; (n = read(file_, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(file_);
  return text;
}

std::string::size_type countOf(const std::string& text, const std::string& part) {
  std::string::size_type n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}
