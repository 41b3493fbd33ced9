// The native trace as written at the finest level: line format, dumps.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture.h"
#include "scripted_runtime.h"
#include "util/early_trace.h"

namespace {

std::string traced(void (*write)()) {
  ScriptedRuntime runtime;
  FdCapture err(2);
  write();
  return err.stop();
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// What follows "tid:<thread> " in a line.
std::string messageOf(const std::string& line) {
  size_t at = line.find("tid:scripted-thread ");
  return at == std::string::npos ? line : line.substr(at + 20);
}

// "hh:mm:ss.mmm " at the start of a line.
bool startsWithTimeStamp(const std::string& line) {
  const char* shape = "dd:dd:dd.ddd ";
  if (line.size() < std::strlen(shape)) return false;
  for (size_t i = 0; shape[i] != '\0'; ++i) {
    bool digit = line[i] >= '0' && line[i] <= '9';
    if (shape[i] == 'd' ? !digit : line[i] != shape[i]) return false;
  }
  return true;
}

}  // namespace

TEST(NativeTrace, LineHasTimeStampBaseNameLineAndRuntimeThreadText) {
  std::string out = traced([] { earlyTrace("C:\\src\\native\\vxi\\put.cpp", 42, 500, "hello %d", 7); });
  EXPECT_TRUE(startsWithTimeStamp(out)) << out;
  EXPECT_EQ(out.substr(13), "put.cpp[42]: tid:scripted-thread hello 7\n");

  out = traced([] { earlyTrace("/work/native/util/early_trace.cpp", 7, 500, "%s", "x"); });
  EXPECT_NE(out.find(" early_trace.cpp[7]: tid:scripted-thread x\n"), std::string::npos) << out;

  out = traced([] { earlyTrace("plain.cpp", 1, 500, "%s", ""); });
  EXPECT_NE(out.find(" plain.cpp[1]: tid:scripted-thread \n"), std::string::npos) << out;
}

TEST(NativeTrace, ThreadTextFallsBackToTheOsThreadIdWithoutRuntimeServices) {
  VXVector empty{};
  VXVector* saved = VXInterface;
  VXInterface = &empty;
  FdCapture err(2);
  earlyTrace("a.cpp", 3, 500, "no services");
  std::string out = err.stop();
  VXInterface = saved;
  char expected[64];
  std::snprintf(expected, sizeof expected, " a.cpp[3]: tid:%ld no services\n",
                static_cast<long>(gettid()));
  EXPECT_NE(out.find(expected), std::string::npos) << out;
}

TEST(NativeTrace, FinestWritesEveryLevelFromThreeHundred) {
  EXPECT_TRUE(earlyTraceEnabled(300));
  EXPECT_TRUE(earlyTraceEnabled(900));
  EXPECT_FALSE(earlyTraceEnabled(299));
  std::string out = traced([] {
    TALY_MARK();
    TALY_TRACE(299, "below");
  });
  EXPECT_EQ(linesOf(out).size(), 1u) << out;
  EXPECT_EQ(out.find("below"), std::string::npos);
}

TEST(NativeTrace, LongMessageIsCutAtTheLineBuffer) {
  std::string out = traced([] {
    std::string longText(10000, 'z');
    earlyTrace("a.cpp", 1, 500, "%s", longText.c_str());
  });
  ASSERT_EQ(linesOf(out).size(), 1u);
  EXPECT_EQ(out.size(), 4096u) << "4095 characters and the line end";
}

TEST(NativeTrace, HexdumpOfFiveBytesThreePastABoundaryIsOneAlignedRow) {
  alignas(16) static unsigned char block[32];
  std::memcpy(block + 3, "ABC\x01\x7f", 5);
  static const unsigned char* start = block + 3;
  std::string out = traced([] { hexdump2(start, 5); });
  std::vector<std::string> lines = linesOf(out);
  ASSERT_EQ(lines.size(), 2u) << out;

  char entered[128];
  std::snprintf(entered, sizeof entered, "Entered hexdump2 with ptr =  {%p} , len = %d",
                static_cast<const void*>(start), 5);
  EXPECT_EQ(messageOf(lines[0]), entered);

  char row[64];
  std::snprintf(row, sizeof row, "%p  ", static_cast<const void*>(block));
  std::string expected = std::string(row) + std::string(9, ' ') + " 41 42 43 01 7f" +
                         std::string(27, ' ') + "   ABC..";
  EXPECT_EQ(messageOf(lines[1]), expected);
}

TEST(NativeTrace, HexdumpRowsAreSixteenBytesWithADashBeforeColumnEight) {
  alignas(16) static unsigned char block[20];
  for (int i = 0; i < 20; ++i) block[i] = static_cast<unsigned char>('a' + i);
  std::string out = traced([] { hexdump2(block, 20); });
  std::vector<std::string> lines = linesOf(out);
  ASSERT_EQ(lines.size(), 3u) << out;
  char address[32];
  std::snprintf(address, sizeof address, "%p  ", static_cast<const void*>(block));
  EXPECT_EQ(messageOf(lines[1]), std::string(address) +
                                     " 61 62 63 64 65 66 67 68-69 6a 6b 6c 6d 6e 6f 70" +
                                     "   abcdefghijklmnop");
  std::snprintf(address, sizeof address, "%p  ", static_cast<const void*>(block + 16));
  EXPECT_EQ(messageOf(lines[2]),
            std::string(address) + " 71 72 73 74" + std::string(39, ' ') + "qrst");
}

TEST(NativeTrace, DumpOfNullWritesOneTitleLine) {
  std::string out = traced([] { earlyDump(nullptr, 12, 300, "VX%s", "MD"); });
  std::vector<std::string> lines = linesOf(out);
  ASSERT_EQ(lines.size(), 1u) << out;
  EXPECT_EQ(messageOf(lines[0]), "VXMD == NULL");
}

TEST(NativeTrace, DumpShowsTheFullLengthAndDumpsAtMost4096Bytes) {
  alignas(16) static unsigned char big[5000];
  std::string out = traced([] { earlyDump(big, 5000, 300, "buffer"); });
  std::vector<std::string> lines = linesOf(out);
  ASSERT_EQ(lines.size(), 2u + 4096 / 16) << "title, entry line and 256 rows";
  EXPECT_EQ(messageOf(lines[0]), "buffer [length = 5000]");
  char last[32];
  std::snprintf(last, sizeof last, "%p  ", static_cast<const void*>(big + 4080));
  EXPECT_EQ(messageOf(lines.back()).rfind(last, 0), 0u) << lines.back();
}
