// The threshold that TalyEarlyTrace sets, read once per process. Each case
// runs in a process of its own with the variable set by the test runner.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "capture.h"
#include "scripted_runtime.h"
#include "util/early_trace.h"

TEST(EarlyTraceSetting, FirstLevelTestSetsTheThresholdAndSaysSo) {
  const char* expected = std::getenv("TALY_EXPECT_THRESHOLD");
  ASSERT_NE(expected, nullptr);
  int threshold = std::atoi(expected);
  const char* value = std::getenv("TalyEarlyTrace");
  if (value == nullptr) value = std::getenv("TALYEARLYTRACE");

  ScriptedRuntime runtime;
  FdCapture err(2);
  bool enabled = earlyTraceEnabled(threshold);
  TALY_TRACE(900, "severe line");
  TALY_TRACE(300, "finest line");
  std::string out = err.stop();

  std::string announcement =
      value != nullptr ? "TalyEarlyTrace set to '" + std::string(value) + "' --> " + expected + "\n"
                       : "";
  EXPECT_EQ(out.substr(0, announcement.size()), announcement);
  EXPECT_EQ(out.find("TalyEarlyTrace set to", announcement.size()), std::string::npos)
      << "announced once";
  EXPECT_TRUE(enabled);
  EXPECT_FALSE(earlyTraceEnabled(threshold - 1));
  EXPECT_EQ(out.find("severe line") != std::string::npos, threshold <= 900) << out;
  EXPECT_EQ(out.find("finest line") != std::string::npos, threshold <= 300) << out;
  if (value == nullptr) {
    EXPECT_EQ(out, "") << "nothing at all without the variable";
  }
}
