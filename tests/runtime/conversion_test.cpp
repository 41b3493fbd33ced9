// Conversion of text between Latin-1, US-ASCII, UTF-8 and code page 037, and
// the conversion entry's lengths, warnings and refusals.
#include <cstring>
#include <string>
#include <vector>

#include "qm/conversion.h"
#include "qm_test.h"
#include "vx/spi.h"
#include "vx/vector.h"

namespace {

std::string convert(int32_t from, int32_t to, const std::string& text, int32_t* unmapped = nullptr) {
  vxqm::Converted c = vxqm::convertText(from, to, reinterpret_cast<const uint8_t*>(text.data()),
                                        static_cast<int32_t>(text.size()));
  if (unmapped != nullptr) *unmapped = c.unmapped;
  return std::string(c.bytes.begin(), c.bytes.end());
}

TEST(Conversion, Latin1AndCodePage037MapOneToOneBothWays) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  std::string ebcdic = convert(vxqm::CCSID_LATIN_1, vxqm::CCSID_EBCDIC_037, all);
  EXPECT_EQ(convert(vxqm::CCSID_EBCDIC_037, vxqm::CCSID_LATIN_1, ebcdic), all);
  // Letters, digits and blank where code page 037 puts them.
  EXPECT_EQ(convert(vxqm::CCSID_LATIN_1, vxqm::CCSID_EBCDIC_037, "Az 09"), "\xC1\xA9\x40\xF0\xF9");
}

TEST(Conversion, Utf8GoesThroughLatin1AndCountsWhatHasNoMapping) {
  int32_t unmapped = -1;
  EXPECT_EQ(convert(vxqm::CCSID_UTF_8, vxqm::CCSID_EBCDIC_037, "\xC3\xA9", &unmapped), "\x51");  // e acute
  EXPECT_EQ(unmapped, 0);
  EXPECT_EQ(convert(vxqm::CCSID_EBCDIC_037, vxqm::CCSID_UTF_8, "\x51"), "\xC3\xA9");
  // A euro sign (three bytes), a stray continuation byte and a cut sequence.
  EXPECT_EQ(convert(vxqm::CCSID_UTF_8, vxqm::CCSID_EBCDIC_037, "\xE2\x82\xAC" "a\x80\xC3", &unmapped),
            "\x3F\x81\x3F\x3F");
  EXPECT_EQ(unmapped, 3);
  EXPECT_EQ(convert(vxqm::CCSID_LATIN_1, vxqm::CCSID_US_ASCII, "a\xE9", &unmapped), "a\x1A");
  EXPECT_EQ(unmapped, 1);
}

class ConvertEntry : public ::testing::Test {
 protected:
  void SetUp() override { VXInterface->VXCONN(nullptr, &hconn, &cc, &reason); }
  void TearDown() override { VXInterface->VXDISC(&hconn, &cc, &reason); }

  vxqm::Status run(int32_t from, int32_t to, std::string& data, int32_t bufferLength, int32_t& length,
                   int32_t anyFormat = 0, const char* format = VXFMT_TEXT) {
    std::memset(&md, 0, sizeof md);
    std::memcpy(md.StrucId, VXMD_STRUC_ID, 4);
    md.Version = VXMD_CURRENT_VERSION;
    md.CodedCharSetId = from;
    std::memcpy(md.Format, format, 8);
    VXXaTable* table = VXInterface->priv->xa;
    table->vpiConvertData(hconn, 0, 546, to, anyFormat, &md, data.data(), &length, 0, bufferLength, &cc,
                          &reason, &unmapped);
    return {cc, reason};
  }

  VXMD md;
  int32_t hconn = 0;
  int32_t cc = -1;
  int32_t reason = -1;
  int32_t unmapped = -1;
};

TEST_F(ConvertEntry, ConvertsInPlaceAndUpdatesTheDescriptor) {
  std::string data = "Hi!";
  data.resize(8, '.');
  int32_t length = 3;
  EXPECT_EQ(run(vxqm::CCSID_LATIN_1, vxqm::CCSID_EBCDIC_037, data, 8, length), vxqm::Status::ok());
  EXPECT_EQ(data.substr(0, 3), "\xC8\x89\x5A");
  EXPECT_EQ(data.substr(3), ".....");  // beyond the converted length nothing changes
  EXPECT_EQ(length, 3);
  EXPECT_EQ(md.CodedCharSetId, vxqm::CCSID_EBCDIC_037);
  EXPECT_EQ(md.Encoding, 546);
  EXPECT_EQ(unmapped, 0);
}

TEST_F(ConvertEntry, DataThatDoesNotFitIsCutAtAWholeCharacterWithAWarning) {
  std::string data("\x81\x51\x51\x00", 4);  // a, e acute, e acute: five bytes in UTF-8
  int32_t length = 3;
  EXPECT_EQ(run(vxqm::CCSID_EBCDIC_037, vxqm::CCSID_UTF_8, data, 4, length),
            vxqm::Status::warning(VXRC_CONVERTED_DATA_TRUNCATED));
  EXPECT_EQ(length, 5);
  EXPECT_EQ(data, "a\xC3\xA9 ");
}

TEST_F(ConvertEntry, RefusesWhatItCannotConvert) {
  std::string data = "abc";
  int32_t length = 3;
  EXPECT_EQ(run(1252, vxqm::CCSID_UTF_8, data, 3, length), vxqm::Status::failure(VXRC_CCSID_NOT_SUPPORTED));
  EXPECT_EQ(run(819, vxqm::CCSID_UTF_8, data, 3, length, 0, "BINARY  "),
            vxqm::Status::failure(VXRC_FORMAT_NOT_CONVERTIBLE));
  EXPECT_EQ(run(819, vxqm::CCSID_EBCDIC_037, data, 3, length, 1, "BINARY  "), vxqm::Status::ok());
  length = 4;
  EXPECT_EQ(run(819, vxqm::CCSID_UTF_8, data, 3, length), vxqm::Status::failure(VXRC_DATA_LENGTH_ERROR));
  EXPECT_EQ(data, "\x81\x82\x83");  // untouched by the refusal
}

}  // namespace
