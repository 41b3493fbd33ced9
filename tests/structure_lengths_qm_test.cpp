// Structure arrays of exactly the length the queue manager reads and writes
// go through the exports to the embedded queue manager, which works on them
// to their last byte (the strings named by offset included); one byte fewer
// is refused before the queue manager could read or write past the array.
// In the sanitizer build a byte read or written past any array fails the
// run; under -Xcheck:jni one written past it does.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "jni_test.h"
#include "real_runtime.h"
#include "vx/spi.h"
#include "vx/structure_lengths.h"

namespace {

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// A string descriptor naming `length` bytes at `offset`, with `room` bytes
// the queue manager may write there.
VXCHARV string(int32_t offset, int32_t length, int32_t room) {
  VXCHARV s{};
  s.VSOffset = offset;
  s.VSLength = length;
  s.VSBufSize = room;
  return s;
}

Bytes md() {
  return structure<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION, [](VXMD& d) {
    d.Priority = VXPRI_AS_QUEUE;
    d.Persistence = VXPER_AS_QUEUE;
  });
}
Bytes pmo() {
  return structure<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION, [](VXPMO& p) { p.Options = VXPMO_NO_SYNCPOINT; });
}
Bytes gmo() {
  return structure<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION, [](VXGMO& g) { g.Options = VXGMO_NO_SYNCPOINT; });
}
Bytes queueOd(const char* name) {
  return structure<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION, [&](VXOD& o) {
    o.ObjectType = VXOT_QUEUE;
    std::memcpy(o.ObjectName, name, std::strlen(name));
  });
}
// A topic's descriptor with its topic string after it and as much room for
// the resolved one, to the array's end.
Bytes topicOd(const std::string& topic) {
  int32_t length = static_cast<int32_t>(topic.size());
  int32_t end = vxStructureLength(VxStructure::OD);
  Bytes od = structure<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION, [&](VXOD& o) {
    o.ObjectType = VXOT_TOPIC;
    o.ObjectString = string(end, length, length);
    o.ResObjectString = string(end + length, 0, length);
  });
  return concat(concat(od, text(topic)), Bytes(topic.size(), 0));
}
Bytes spiConnectOptions() { return structure<LpiConnectOptions>(LPICNO_STRUC_ID, LPI_CURRENT_VERSION, [](auto&) {}); }
// Connect options with security parameters, a user and a password, to the
// array's end.
Bytes connectOptions() {
  int32_t csp = vxStructureLength(VxStructure::CNO);
  Bytes cno = structure<VXCNO>(VXCNO_STRUC_ID, VXCNO_CURRENT_VERSION, [&](VXCNO& c) { c.SecurityParmsOffset = csp; });
  Bytes parms = structure<VXCSP>(VXCSP_STRUC_ID, VXCSP_CURRENT_VERSION, [](VXCSP& p) {
    p.AuthenticationType = VXCSP_AUTH_USER_PASSWORD;
    p.UserIdOffset = VXCSP_LENGTH;
    p.UserIdLength = 5;
    p.PasswordOffset = VXCSP_LENGTH + 5;
    p.PasswordLength = 6;
  });
  return concat(concat(cno, parms), text("alicesecret"));
}
Bytes securityContext() {
  return structure<LpiSecurityContext>(LPISCX_STRUC_ID, LPI_CURRENT_VERSION, [](LpiSecurityContext& c) {
    std::memcpy(c.UserId, "nobody", 6);
  });
}
// A subscription descriptor with its topic string and name after it.
Bytes subscription(const std::string& topic, const std::string& name) {
  int32_t end = vxStructureLength(VxStructure::SD);
  int32_t topicLength = static_cast<int32_t>(topic.size());
  Bytes sd = structure<VXSD>(VXSD_STRUC_ID, VXSD_CURRENT_VERSION, [&](VXSD& d) {
    d.Options = VXSO_CREATE | VXSO_MANAGED;
    d.ObjectString = string(end, topicLength, topicLength);
    d.SubName = string(end + topicLength, static_cast<int32_t>(name.size()), static_cast<int32_t>(name.size()));
  });
  return concat(concat(sd, text(topic)), text(name));
}
// A property name: its descriptor, then its bytes.
Bytes propertyName(const std::string& name) {
  VXCHARV s = string(sizeof(VXCHARV), static_cast<int32_t>(name.size()), static_cast<int32_t>(name.size()));
  Bytes bytes(sizeof s);
  std::memcpy(bytes.data(), &s, sizeof s);
  return concat(bytes, text(name));
}

class QueueManagerLengths : public ExportTest {
 public:
  // For the rows' calls.
  using ExportTest::bytes;
  using ExportTest::cc;
  using ExportTest::codes;
  using ExportTest::env;
  using ExportTest::hconnHolder;
  using ExportTest::hmsgHolder;
  using ExportTest::hmsgValue;
  using ExportTest::hobjHolder;
  using ExportTest::pint;
  using ExportTest::reason;

  void SetUp() override {
    ExportTest::SetUp();
    jobject holder = hconnHolder(0);
    NATIVE(spiConnect)(env, nullptr, JNI_FALSE, bytes("VXRT.QM"), 0, bytes(spiConnectOptions()), nullptr, holder,
                       cc, reason);
    ASSERT_EQ(codes(), std::make_pair(0, 0)) << "privileged connect";
    hconn = hconnValue(holder);
    Bytes od = structure<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION, [](VXOD& o) {
      o.ObjectType = VXOT_QUEUE;
      std::memcpy(o.ObjectName, "TALY.MODEL.QUEUE", 16);
      std::memcpy(o.DynamicQName, "LENGTHS.*", 9);
    });
    hobj = open(bytes(od), VXOO_INPUT_SHARED | VXOO_OUTPUT | VXOO_BROWSE);
    ASSERT_EQ(codes(), std::make_pair(0, 0)) << "dynamic queue";
  }
  void TearDown() override {
    NATIVE(VXDISC)(env, nullptr, JNI_FALSE, hconnHolder(hconn), 0, 0, cc, reason);
    ExportTest::TearDown();
  }

  // An array of content cut by `shorter` bytes.
  jbyteArray cut(const Bytes& content, int shorter) {
    return bytes(Bytes(content.begin(), content.end() - shorter));
  }
  int32_t open(jbyteArray od, int32_t options) {
    jobject holder = hobjHolder(-1);
    NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, hconn, 0, 0, od, options, holder, cc, reason);
    return hobjValue(holder);
  }
  void put(jbyteArray md, jbyteArray pmo) {
    NATIVE(VXPUT)(env, nullptr, JNI_FALSE, hconn, 0, 0, hobj, md, pmo, 5, bytes("hello"), cc, reason);
  }
  void get(jbyteArray md, jbyteArray gmo) {
    NATIVE(VXGET)(env, nullptr, JNI_FALSE, hconn, 0, 0, hobj, md, gmo, 16, bytes(Bytes(16, 0)), pint(), cc,
                  reason);
  }
  void putOne() { put(bytes(::md()), bytes(::pmo())); }

  int32_t hconn = 0;
  int32_t hobj = 0;

 private:
  RealRuntime realRuntime_;
};

// What a row calls with the array under test cut by `shorter` bytes; what
// the queue manager answers to the whole array; and the refusal's function,
// probe and name.
struct Row {
  const char* what;
  int32_t answer;  // the reason with the whole array; completion code 0 with VXRC_NONE
  int32_t function;
  int32_t probe;
  const char* name;
  int32_t (*length)();  // of the array under test
  void (*call)(QueueManagerLengths&, int shorter);
};

const std::vector<Row>& rows() {
  using T = QueueManagerLengths;
  static const std::vector<Row> all = {
      {"VXOPEN of a queue for output", VXRC_NONE, 7, 4, "native_vxod",
       [] { return static_cast<int32_t>(queueOd("TALY.QUEUE.1").size()); },
       [](T& t, int shorter) { t.open(t.cut(queueOd("TALY.QUEUE.1"), shorter), VXOO_OUTPUT); }},
      {"VXOPEN of a topic, its resolved string to the array's end", VXRC_NONE, 7, 4, "native_vxod",
       [] { return static_cast<int32_t>(topicOd("lengths/open").size()); },
       [](T& t, int shorter) { t.open(t.cut(topicOd("lengths/open"), shorter), VXOO_OUTPUT); }},
      {"VXPUT1 to a topic", VXRC_NONE, 9, 4, "native_vxod",
       [] { return static_cast<int32_t>(topicOd("lengths/put1").size()); },
       [](T& t, int shorter) {
         NATIVE(VXPUT1)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.cut(topicOd("lengths/put1"), shorter),
                        t.bytes(md()), t.bytes(pmo()), 1, t.bytes("p"), t.cc, t.reason);
       }},
      {"VXPUT1's descriptor", VXRC_NONE, 9, 5, "native_vxmd", [] { return vxStructureLength(VxStructure::MD); },
       [](T& t, int shorter) {
         NATIVE(VXPUT1)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.bytes(queueOd("TALY.QUEUE.1")),
                        t.cut(md(), shorter), t.bytes(pmo()), 1, t.bytes("p"), t.cc, t.reason);
       }},
      {"VXPUT1's options", VXRC_NONE, 9, 6, "native_vxpmo", [] { return vxStructureLength(VxStructure::PMO); },
       [](T& t, int shorter) {
         NATIVE(VXPUT1)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.bytes(queueOd("TALY.QUEUE.1")), t.bytes(md()),
                        t.cut(pmo(), shorter), 1, t.bytes("p"), t.cc, t.reason);
       }},
      {"VXPUT's descriptor", VXRC_NONE, 8, 4, "native_vxmd", [] { return vxStructureLength(VxStructure::MD); },
       [](T& t, int shorter) { t.put(t.cut(md(), shorter), t.bytes(pmo())); }},
      {"VXPUT's options", VXRC_NONE, 8, 5, "native_vxpmo", [] { return vxStructureLength(VxStructure::PMO); },
       [](T& t, int shorter) { t.put(t.bytes(md()), t.cut(pmo(), shorter)); }},
      {"VXGET's descriptor", VXRC_NONE, 5, 4, "native_vxmd", [] { return vxStructureLength(VxStructure::MD); },
       [](T& t, int shorter) {
         t.putOne();
         t.get(t.cut(md(), shorter), t.bytes(gmo()));
       }},
      {"VXGET's options", VXRC_NONE, 5, 5, "native_vxgmo", [] { return vxStructureLength(VxStructure::GMO); },
       [](T& t, int shorter) {
         t.putOne();
         t.get(t.bytes(md()), t.cut(gmo(), shorter));
       }},
      {"spiPut's private options", VXRC_NONE, 16, 5, "native_spipo",
       [] { return vxStructureLength(VxStructure::SpiPutOptions); },
       [](T& t, int shorter) {
         Bytes options = structure<LpiPutOptions>(LPIPO_STRUC_ID, LPI_CURRENT_VERSION, [](auto&) {});
         NATIVE(spiPut)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.hobj, t.bytes(md()), t.bytes(pmo()),
                        t.cut(options, shorter), 1, t.bytes("s"), t.cc, t.reason);
       }},
      {"spiPut's descriptor", VXRC_NONE, 16, 3, "native_vxmd", [] { return vxStructureLength(VxStructure::MD); },
       [](T& t, int shorter) {
         Bytes options = structure<LpiPutOptions>(LPIPO_STRUC_ID, LPI_CURRENT_VERSION, [](auto&) {});
         NATIVE(spiPut)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.hobj, t.cut(md(), shorter), t.bytes(pmo()),
                        t.bytes(options), 1, t.bytes("s"), t.cc, t.reason);
       }},
      {"spiGet's descriptor", VXRC_NONE, 15, 3, "native_vxmd", [] { return vxStructureLength(VxStructure::MD); },
       [](T& t, int shorter) {
         t.putOne();
         Bytes options = structure<LpiGetOptions>(LPIGO_STRUC_ID, LPI_CURRENT_VERSION, [](auto&) {});
         NATIVE(spiGet)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.hobj, t.cut(md(), shorter), t.bytes(gmo()),
                        t.bytes(options), 16, t.bytes(Bytes(16, 0)), t.pint(), t.cc, t.reason);
       }},
      {"spiGet's get options", VXRC_NONE, 15, 4, "native_vxgmo", [] { return vxStructureLength(VxStructure::GMO); },
       [](T& t, int shorter) {
         t.putOne();
         Bytes options = structure<LpiGetOptions>(LPIGO_STRUC_ID, LPI_CURRENT_VERSION, [](auto&) {});
         NATIVE(spiGet)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.hobj, t.bytes(md()), t.cut(gmo(), shorter),
                        t.bytes(options), 16, t.bytes(Bytes(16, 0)), t.pint(), t.cc, t.reason);
       }},
      {"spiGet's private options", VXRC_NONE, 15, 5, "native_spigo",
       [] { return vxStructureLength(VxStructure::SpiGetOptions); },
       [](T& t, int shorter) {
         t.putOne();
         Bytes options = structure<LpiGetOptions>(LPIGO_STRUC_ID, LPI_CURRENT_VERSION, [](auto&) {});
         NATIVE(spiGet)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.hobj, t.bytes(md()), t.bytes(gmo()),
                        t.cut(options, shorter), 16, t.bytes(Bytes(16, 0)), t.pint(), t.cc, t.reason);
       }},
      {"VXCONNX, the password at the array's end", VXRC_NONE, 11, 4, "native_vxcno",
       [] { return static_cast<int32_t>(connectOptions().size()); },
       [](T& t, int shorter) {
         jobject holder = t.hconnHolder(0);
         NATIVE(VXCONNX)(t.env, nullptr, JNI_FALSE, nullptr, 0, t.cut(connectOptions(), shorter), holder, t.cc,
                         t.reason);
         if (t.codes().first != VXCC_FAILED) {
           NATIVE(VXDISC)(t.env, nullptr, JNI_FALSE, holder, 0, 0, t.pint(), t.pint());
         }
       }},
      {"spiConnect's private options", VXRC_NONE, 14, 3, "native_spicno",
       [] { return vxStructureLength(VxStructure::SpiConnectOptions); },
       [](T& t, int shorter) {
         jobject holder = t.hconnHolder(0);
         NATIVE(spiConnect)(t.env, nullptr, JNI_FALSE, nullptr, 0, t.cut(spiConnectOptions(), shorter), nullptr,
                            holder, t.cc, t.reason);
         if (t.codes().first != VXCC_FAILED) {
           NATIVE(VXDISC)(t.env, nullptr, JNI_FALSE, holder, 0, 0, t.pint(), t.pint());
         }
       }},
      {"VXSUB, the name at the array's end", VXRC_NONE, 38, 4, "native_vxsd",
       [] { return static_cast<int32_t>(subscription("lengths/sub", "lengths.sub").size()); },
       [](T& t, int shorter) {
         NATIVE(VXSUB)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.cut(subscription("lengths/sub", "lengths.sub"), shorter),
                       t.hobjHolder(0), t.hobjHolder(0), t.cc, t.reason);
       }},
      {"lpiSPIMapCredentials' security context", VXRC_UNKNOWN_USER, 0, 2, "native_lexPContext",
       [] { return vxStructureLength(VxStructure::SpiSecurityContext); },
       [](T& t, int shorter) {
         NATIVE(lpiSPIMapCredentials)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.cut(securityContext(), shorter),
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, t.cc, t.reason);
       }},
      {"lpiSPIAdoptUser's security context", VXRC_UNKNOWN_USER, 0, 2, "native_lexPContext",
       [] { return vxStructureLength(VxStructure::SpiSecurityContext); },
       [](T& t, int shorter) {
         NATIVE(lpiSPIAdoptUser)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, 0, t.cut(securityContext(), shorter),
                                 nullptr, 0, nullptr, 0, nullptr, nullptr, t.pint(LPIADU_NONE), 0, nullptr,
                                 t.bytes("nobody"), 0, nullptr, 0, nullptr, t.cc, t.reason);
       }},
      {"VXSETMP, the name at the array's end", VXRC_NONE, 0, 4, "native_Name",
       [] { return static_cast<int32_t>(propertyName("size").size()); },
       [](T& t, int shorter) {
         jobject handle = t.hmsgHolder(0);
         NATIVE(VXCRTMH)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, nullptr, handle, t.cc, t.reason);
         ASSERT_EQ(t.codes(), std::make_pair(0, 0));
         NATIVE(VXSETMP)(t.env, nullptr, JNI_FALSE, t.hconn, 0, 0, t.hmsgValue(handle), nullptr,
                         t.cut(propertyName("size"), shorter), nullptr, VXPT_BYTES, 1, t.bytes("s"), t.cc, t.reason);
       }},
  };
  return all;
}

}  // namespace

TEST_F(QueueManagerLengths, AStructureOfItsLengthIsWorkedOnToItsEndAndOneByteShortIsRefused) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(env->PushLocalFrame(64), JNI_OK);
    row.call(*this, 0);
    EXPECT_EQ(codes(), std::make_pair(row.answer == VXRC_NONE ? 0 : 2, row.answer));
    size_t before = events().size();
    row.call(*this, 1);
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    std::vector<std::string> seen = events();
    int32_t length = row.length();
    EXPECT_EQ(seen.size() > before ? seen.back() : "",
              "krux 59 " + std::to_string(row.function) + " " + std::to_string(row.probe) + " 2195 " +
                  std::to_string(length) + " " + std::to_string(length - 1) + " \"" + row.name +
                  " is too short\" null null");
    env->PopLocalFrame(nullptr);
  }
}

// The case that first showed the fault: after a privileged connect, an
// open with a descriptor of 216 bytes answered 0 and wrote the resolved
// names past the array.
TEST_F(QueueManagerLengths, AnOpenWithA216ByteDescriptorIsRefusedAndOneOfItsLengthResolves) {
  Bytes od = queueOd("TALY.QUEUE.1");
  jbyteArray shortOd = bytes(Bytes(od.begin(), od.begin() + 216));
  jobject holder = hobjHolder(-1);
  NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, hconn, 0, 0, shortOd, VXOO_OUTPUT, holder, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(hobjValue(holder), -1);
  EXPECT_EQ(events().back(), "krux 59 7 4 2195 " + std::to_string(od.size()) + " 216 \"native_vxod is too short\" null null");
  EXPECT_EQ(bytesOf(shortOd), Bytes(od.begin(), od.begin() + 216)) << "nothing written";

  jbyteArray whole = bytes(od);
  NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, hconn, 0, 0, whole, VXOO_OUTPUT, holder, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_GT(hobjValue(holder), 0);
  Bytes resolved = bytesOf(whole);
  EXPECT_EQ(std::string(resolved.begin() + offsetof(VXOD, ResolvedQName), resolved.begin() + offsetof(VXOD, ResolvedQName) + 12),
            "TALY.QUEUE.1");
  EXPECT_EQ(intAt(resolved, offsetof(VXOD, ResolvedType)), VXOT_QUEUE);
}

// A private define through the library carries its character attributes
// to the queue manager: a 48-byte description in a 48-byte array, answered
// by the private inquire; the like queue's name is shorter than its field.
TEST_F(QueueManagerLengths, ADefineWithADescriptionIsInquiredBack) {
  Bytes selector = structure<LpiObjectSelector>(LPIOSL_STRUC_ID, LPI_CURRENT_VERSION, [](LpiObjectSelector& s) {
    s.ObjectType = VXOT_QUEUE;
    std::memset(s.ObjectName, ' ', sizeof s.ObjectName);
    std::memcpy(s.ObjectName, "LENGTHS.DESCRIBED", 17);
  });
  std::string description = "Orders of the web shop, by the hour";
  description.resize(VX_NAME_LENGTH, ' ');
  auto ints = [&](std::vector<int32_t> values) {
    Bytes out(values.size() * 4);
    std::memcpy(out.data(), values.data(), out.size());
    return bytes(out);
  };
  NATIVE(spiDefine)(env, nullptr, JNI_FALSE, hconn, 0, 0, JNI_TRUE, bytes(selector), bytes("TALY.QUEUE.1"), 2,
                    ints({VXCA_QUEUE_DESC, VXIA_MAX_DEPTH}), 1, ints({17}), VX_NAME_LENGTH, bytes(description),
                    nullptr, 0, nullptr, cc, reason);
  ASSERT_EQ(codes(), std::make_pair(0, 0));

  jbyteArray values = ints({0});
  jbyteArray chars = bytes(Bytes(VX_NAME_LENGTH, '?'));
  NATIVE(spiInquire)(env, nullptr, JNI_FALSE, hconn, 0, 0, bytes(selector), 2,
                     ints({VXIA_MAX_DEPTH, VXCA_QUEUE_DESC}), 1, values, VX_NAME_LENGTH, chars, nullptr, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(bytesOf(chars), text(description));
  EXPECT_EQ(intAt(bytesOf(values), 0), 17);
  NATIVE(spiDelete)(env, nullptr, JNI_FALSE, hconn, 0, 0, bytes(selector), JNI_FALSE, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}
