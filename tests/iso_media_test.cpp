// ISO base media files: recognition by the ftyp brands, the CR3 boxes and
// the HEIF Exif item, with the inner TIFF structures in both byte orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

class IsoMedia : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  static CanonRecord R5Record() { return EosR5Record(); }
  void ExpectR5(const TCanonFile& file) {
    EXPECT_TRUE(file.IsValid());
    EXPECT_EQ(file.Kind, 0);
    EXPECT_EQ(file.GetModel(), "Canon EOS R5");
    EXPECT_EQ(file.GetFirmware(), "Firmware Version 1.2.3");
    EXPECT_EQ(file.GetOwner(), "Erika Mustermann");
    EXPECT_EQ(file.GetSerialText(), "023021000484");
    EXPECT_EQ(file.GetShutterCount(), 12260);
  }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, IsoMedia, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

TEST_P(IsoMedia, Cr3ReadsItsThreeTiffBoxes) {
  const TCanonFile& file = Analyse(Cr3(GetParam(), R5Record()));
  EXPECT_EQ(file.Format, 5);
  ExpectR5(file);
  EXPECT_EQ(file.IntelOrder, GetParam() == Order::kLittle ? 1 : 0);
}

TEST_P(IsoMedia, Cr3TakesCanonsUuidBoxAfterOthersAndSurvivesADamagedHeader) {
  // Another uuid box in moov before Canon's.
  const Bytes with_other =
      Cr3(GetParam(), R5Record(), Box("uuid", Bytes().Zeros(16).Text("other")));
  ExpectR5(Analyse(with_other));

  // CMT1's header damaged: no line, and the maker note is still read.
  std::vector<std::uint8_t> damaged = with_other.data();
  const std::string cmt1 = "CMT1";
  const auto at = std::search(damaged.begin(), damaged.end(), cmt1.begin(), cmt1.end());
  ASSERT_NE(at, damaged.end());
  at[4] = 'X';
  std::FILE* sink = std::tmpfile();
  file_.Messages = sink;
  const TCanonFile& file = Analyse(Bytes().Raw(damaged));
  EXPECT_EQ(std::ftell(sink), 0) << "the header error lines are the JPEG's own";
  std::fclose(sink);
  EXPECT_EQ(file.GetModel(), "Canon EOS R5");
  EXPECT_EQ(file.GetShutterCount(), 12260);
}

TEST_P(IsoMedia, HeifFindsItsExifItemThroughEveryIlocVersion) {
  for (const HeifLayout& layout : {HeifLayout{0, false}, HeifLayout{1, false}, HeifLayout{2, false},
                                   HeifLayout{1, true}, HeifLayout{2, true}}) {
    const TCanonFile& file = Analyse(Heif(GetParam(), R5Record(), layout));
    EXPECT_EQ(file.Format, 6);
    ExpectR5(file);
    if (HasFailure())
      FAIL() << "iloc version " << int{layout.iloc_version} << " idat " << layout.in_idat;
  }
}

TEST_P(IsoMedia, HeifWithADamagedExifItemLeavesTheDefaultsAndPrintsNothing) {
  std::vector<std::uint8_t> raw = Heif(GetParam(), R5Record()).data();
  const std::string exif = "Exif";
  // The item's "Exif" 00 00; its TIFF header follows.
  auto at = std::search(raw.begin() + 40, raw.end(), exif.begin(), exif.end());
  at = std::search(at + 1, raw.end(), exif.begin(), exif.end());
  ASSERT_NE(at, raw.end());
  at[6] = 'X';
  std::FILE* sink = std::tmpfile();
  file_.Messages = sink;
  const TCanonFile& file = Analyse(Bytes().Raw(raw));
  EXPECT_EQ(std::ftell(sink), 0);
  std::fclose(sink);
  EXPECT_TRUE(file.IsValid());
  EXPECT_EQ(file.GetModel(), "----------");
  EXPECT_EQ(file.GetShutterCount(), 0);
}

TEST(IsoMediaRecognition, TheBrandsOfTheFtypBoxTellCr3AndHeifFromOtherFiles) {
  struct {
    const char* major;
    std::string compatible;
    std::int32_t format;
  } const cases[] = {
      {"crx ", "crx isom", 5},     {"heic", "mif1heic", 6}, {"heix", "", 6}, {"mif1", "", 6},
      {"msf1", "isomheix", 6},      // a compatible brand is enough
      {"isom", "isomiso2mp41", 0},  // an MP4 video
      {"qt  ", "qt  ", 0},
  };
  TempDir dir;
  TCanonFile file;
  for (const auto& c : cases) {
    Bytes bytes = Box("ftyp", Bytes().Text(c.major).U32(0).Text(c.compatible));
    bytes.Append(Box("mdat", Bytes().Zeros(8)));
    file.Init(NameOf(dir.Write("file", bytes)));
    file.Analyse();
    EXPECT_EQ(file.Format, c.format) << c.major;
    EXPECT_EQ(file.IsValid(), c.format != 0) << c.major;
  }
  // Brands past the end of the ftyp box are no brands of it.
  Bytes bytes = Box("ftyp", Bytes().Text("isom").U32(0));
  bytes.Text("heic");
  file.Init(NameOf(dir.Write("file", bytes)));
  file.Analyse();
  EXPECT_FALSE(file.IsValid());
}

}  // namespace
