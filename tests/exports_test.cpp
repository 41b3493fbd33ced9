// The library's dynamic symbol table: exactly the exports built so far and
// the consumer function.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

TEST(Exports, TheLibraryDefinesExactlyItsJniExports) {
  std::string command = std::string("nm -D --defined-only ") + TALY_LIBRARY;
  FILE* nm = popen(command.c_str(), "r");
  ASSERT_NE(nm, nullptr);
  std::set<std::string> defined;
  char line[512];
  while (std::fgets(line, sizeof line, nm) != nullptr) {
    char address[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) defined.insert(name);
  }
  ASSERT_EQ(pclose(nm), 0);

  const std::string prefix = "Java_com_orvane_vx_taly_local_internal_base_Native_";
  std::set<std::string> expected;
  // One line per family, so that each family's exports are added apart.
  const std::vector<std::vector<const char*>> families = {
      {"init_1conversion", "getMetaData"},
      {"VXBEGIN", "VXCMIT", "VXBACK"},
      {"VXCONN", "VXCONNX", "talyDisc", "VXDISC"},
      {"VXOPEN", "VXCLOSE", "VXINQ", "VXSET"},
      {"VXPUT", "VXPUT1", "talyPut", "talyPut1"},
      {"VXGET"},
      {"VXSUB", "VXSUBRQ", "VXSTAT"},
      {"VXCRTMH", "VXDLTMH", "VXSETMP", "VXINQMP", "VXDLTMP", "VXMHBUF", "VXBUFMH"},
      {"zstXAOpen", "zstXAOpen_1tm", "zstXAClose", "zstXAStart", "zstXAEnd", "zstXAPrepare",
       "zstXACommit", "zstXARollback", "zstXAForget", "zstXARecover", "zstXAComplete"},
      {"spiConnect", "spiConnect_1with_1environment", "spiOpen", "spiPut", "spiGet",
       "spiSyncPoint", "spiActivateMessage", "spiNotify"},
      {"spiDefine", "spiDelete", "spiInquire", "lpiSPIInquireNamedSubscribers",
       "lpiSPISubscriptionRequest", "lpiSpiSubscribe", "lpiSpiUnsubscribe"},
      {"lpiSPIAdoptUser", "lpiSPICHLAUTH", "lpiSPIMapCredentials"},
      {"vpiConvertData"},
      {"VXCB", "VXCTL"},
  };
  for (const auto& family : families) {
    for (const char* method : family) expected.insert(prefix + method);
  }
  // The one export that is not a native method: the runtime calls it.
  expected.insert("TalyConsumerFunction");
  EXPECT_EQ(defined, expected);
}
