// Container recognition by the first bytes: the signature table, the order
// of the tests, and the file closed afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"

namespace {

using camerafile::TCanonFile;
using testfile::Bytes;

struct Recognised {
  bool valid;
  std::int32_t format;
  std::int32_t kind;
};

class Recognition : public ::testing::Test {
 protected:
  TCanonFile& Analyse(const Bytes& bytes) {
    file_.Init(testfile::NameOf(dir_.Write("file", bytes)));
    file_.Analyse();
    EXPECT_FALSE(file_.DataFile.IsOpen()) << "Analyse closes the file on every path";
    return file_;
  }
  void Expect(const Bytes& bytes, Recognised want) {
    Analyse(bytes);
    EXPECT_EQ(file_.IsValid(), want.valid);
    EXPECT_EQ(file_.Format, want.format);
    EXPECT_EQ(file_.Kind, want.kind);
  }

  testfile::TempDir dir_;
  TCanonFile file_;
};

TEST_F(Recognition, TiffInBothByteOrders) {
  Expect(Bytes().Text("MM").U8(0x00).U8(0x2A), {true, 1, 1});
  EXPECT_EQ(file_.IntelOrder, 0);
  EXPECT_EQ(file_.TiffBase, 0);
  Expect(Bytes().Text("II").U8(0x2A).U8(0x00), {true, 2, 2});
  EXPECT_EQ(file_.IntelOrder, 1);
}

TEST_F(Recognition, ByteOrderMarkWithoutFortyTwoIsNotTiff) {
  Expect(Bytes().Text("II").U8(0x2A).U8(0x01), {false, 0, 0});
  Expect(Bytes().Text("MM").U8(0x2A).U8(0x00), {false, 0, 0});
  Expect(Bytes().Text("MM"), {false, 0, 0});
}

TEST_F(Recognition, CiffAfterEitherByteOrderMark) {
  Expect(Bytes().Text("II").U8(0x1A).Zeros(3).Text("HEAPCCDR"), {true, 3, 3});
  EXPECT_EQ(file_.CiffHeaderLength, 26);
  EXPECT_EQ(file_.IntelOrder, 1);
  Expect(Bytes().Text("MM").Zeros(3).U8(0x1A).Text("HEAPCCDR"), {true, 3, 3});
  EXPECT_EQ(file_.CiffHeaderLength, 26);
  EXPECT_EQ(file_.IntelOrder, 0);
}

TEST_F(Recognition, CiffWithoutByteOrderMarkReadsItsLengthFromByteZero) {
  // One record for both files, as the web page keeps it: the little-endian
  // order of the file before must not carry over into this one.
  Expect(Bytes().Text("II").U8(0x2A).U8(0x00), {true, 2, 2});
  Expect(Bytes().Zeros(3).U8(0x1A).Text("HEAPCCDR"), {true, 3, 3});
  EXPECT_EQ(file_.CiffHeaderLength, 26);
  Expect(Bytes().Text("II").U8(0x1A).Zeros(3).Text("HEAPCCDX"), {false, 0, 0});
}

TEST_F(Recognition, JpegByItsStartOfImageMarker) {
  Expect(Bytes().U8(0xFF).U8(0xD8).U8(0xFF).U8(0xE1), {true, 4, 0});
  Expect(Bytes().U8(0xFF).U8(0xD9), {false, 0, 0});
  Expect(Bytes().U8(0xFF), {false, 0, 0});
}

TEST_F(Recognition, MakersRawFilesThatAreTiffStructures) {
  Expect(Bytes().Text("IIRO").U32(0), {true, camerafile::kFormatOrf, 0});
  EXPECT_EQ(file_.IntelOrder, 1);
  Expect(Bytes().Text("MMOR").U32(0), {true, camerafile::kFormatOrf, 0});
  EXPECT_EQ(file_.IntelOrder, 0);
  Expect(Bytes().Text("IIRS").U32(0), {true, camerafile::kFormatOrf, 0});
  Expect(Bytes().Text("IIU").U8(0).U32(0), {true, camerafile::kFormatRw2, 0});
  // Only the forms cameras write.
  Expect(Bytes().Text("MMRO").U32(0), {false, 0, 0});
  Expect(Bytes().Text("MMSR").U32(0), {false, 0, 0});
  Expect(Bytes().Text("MM").U8(0).Text("U").U32(0), {false, 0, 0});
}

TEST_F(Recognition, RafIsTheJpegItsHeaderPlaces) {
  using testfile::Order;
  const Bytes jpeg = testfile::Jpeg(
      testfile::MakerTiff(Order::kBig, {"FUJIFILM", "FinePix S5Pro  ", Bytes()}), false);
  const auto size = static_cast<std::uint32_t>(jpeg.size());
  Expect(testfile::Raf(jpeg), {true, camerafile::kFormatRaf, 0});
  EXPECT_EQ(file_.GetModel(), "FinePix S5Pro  ");
  EXPECT_EQ(file_.TiffBase, 12) << "offsets count within the JPEG";
  // The same record then reads the next file whole, from its byte 0.
  Expect(testfile::CanonTiff(Order::kLittle), {true, 2, 2});
  EXPECT_EQ(file_.GetModel(), "Canon EOS-1D Mark II");
  // A JPEG right after the 92 bytes of the header.
  const std::vector<std::uint8_t> header = testfile::Raf(jpeg).data();
  Expect(Bytes(Order::kBig)
             .Raw(std::vector<std::uint8_t>(header.begin(), header.begin() + 84))
             .U32(92)
             .U32(size)
             .Append(jpeg),
         {true, camerafile::kFormatRaf, 0});
  EXPECT_EQ(file_.GetModel(), "FinePix S5Pro  ");
  // A length past the file's end is cut there.
  Expect(testfile::Raf(jpeg, {}, 0xFFFFFFFFu), {true, camerafile::kFormatRaf, 0});
  EXPECT_EQ(file_.GetModel(), "FinePix S5Pro  ");
  // A length that ends the JPEG before its model text: none read past it.
  const std::string text = "FinePix";
  const auto model_at = static_cast<std::uint32_t>(
      std::search(jpeg.data().begin(), jpeg.data().end(), text.begin(), text.end()) -
      jpeg.data().begin());
  Expect(testfile::Raf(jpeg, {}, model_at), {true, camerafile::kFormatRaf, 0});
  EXPECT_EQ(file_.GetModel(), "");
  const std::vector<std::uint8_t> raf = testfile::Raf(jpeg).data();
  struct {
    const char* what;
    Bytes bytes;
  } const not_raf[] = {
      {"a header of 91 bytes",
       Bytes().Raw(std::vector<std::uint8_t>(raf.begin(), raf.begin() + 91))},
      {"the JPEG inside its own header", testfile::Raf(jpeg, 91)},
      {"the JPEG past the end", testfile::Raf(jpeg, 0x94 + size)},
      {"a length of 0", testfile::Raf(jpeg, {}, 0)},
      {"no JPEG there", testfile::Raf(Bytes().Text("FUJIFILMCCD-RAW ").Zeros(100))},
      {"another signature", Bytes().Text("FUJIFILMCCD-RAX ").Append(testfile::Raf(jpeg))},
  };
  for (const auto& c : not_raf) {
    Analyse(c.bytes);
    EXPECT_FALSE(file_.IsValid()) << c.what;
    EXPECT_EQ(file_.Format, 0) << c.what;
  }
}

TEST_F(Recognition, MrwIsTheTiffStructureOfItsTtwBlock) {
  using testfile::Mrw;
  using testfile::MrwBlock;
  const MrwBlock prd{std::string("\0PRD", 4), Bytes().Text("27200001").Zeros(16)};
  const MrwBlock ttw = testfile::MrwTiffBlock("DiMAGE A2");
  const MrwBlock wbg{std::string("\0WBG", 4), Bytes().Zeros(12)};
  Expect(Mrw({prd, ttw, wbg}), {true, camerafile::kFormatMrw, 0});
  EXPECT_EQ(file_.GetModel(), "DiMAGE A2");
  EXPECT_EQ(file_.TiffBase, 0) << "offsets count from the block's content";
  EXPECT_EQ(file_.GetSerialText(), "0");
  // Nothing past the TTW block is read: a model that runs past it ends there.
  const Bytes cut = Mrw({prd, {ttw.name, ttw.content, 60}});
  Analyse(cut);
  EXPECT_EQ(file_.Format, camerafile::kFormatMrw);
  EXPECT_EQ(file_.GetModel(), "");
  struct {
    const char* what;
    Bytes bytes;
  } const not_mrw[] = {
      {"the blocks' length past the end", Mrw({prd, ttw}, 0xFFFFFFF8u)},
      {"a block's length past the blocks", Mrw({{prd.name, prd.content, 0xFFFFFFFFu}, ttw})},
      {"the TTW block's length past the blocks", Mrw({prd, {ttw.name, ttw.content, 0x10000}})},
      {"no TTW block", Mrw({prd, wbg})},
      {"a TTW block without a TIFF header", Mrw({prd, {ttw.name, Bytes().Text("MM").Zeros(30)}})},
      {"a TTW block shorter than a TIFF header", Mrw({prd, {ttw.name, Bytes().Text("MM")}})},
      {"the blocks past their cap",
       [&] {
         std::vector<MrwBlock> blocks(16, wbg);
         blocks.push_back(ttw);
         return Mrw(blocks);
       }()},
  };
  for (const auto& c : not_mrw) {
    Analyse(c.bytes);
    EXPECT_FALSE(file_.IsValid()) << c.what;
    EXPECT_EQ(file_.Format, 0) << c.what;
    EXPECT_LE(file_.DataFile.BytesRead(), 4096u) << c.what;
  }
}

TEST_F(Recognition, X3fPropertiesGiveModelAndSerialAndABrokenListTheDefaults) {
  using testfile::X3f;
  using testfile::X3fProperties;
  const Bytes properties = X3fProperties({{"AEMODE", "8"},
                                          {"CAMMANUF", "SIGMA"},
                                          {"CAMMODEL", "SIGMA DP2"},
                                          {"CAMSERIAL", "1008382"},
                                          {"FIRMVERS", "1.01"}});
  const Bytes image = Bytes().Text("SECi").Zeros(28);
  Expect(X3f({{"IMA2", image}, {"PROP", properties}}), {true, camerafile::kFormatX3f, 0});
  EXPECT_EQ(file_.GetModel(), "SIGMA DP2");
  EXPECT_EQ(file_.GetSerialText(), "1008382");
  EXPECT_EQ(file_.GetFirmware(), "----------");
  EXPECT_EQ(file_.GetMake(), "SIGMA");
  EXPECT_EQ(file_.GetShutterCount(), 0);

  const auto with = [&](std::uint32_t at, std::uint32_t value) {
    Bytes changed = properties;
    changed.PutU32At(at, value);
    return X3f({{"PROP", changed}});
  };
  const std::vector<std::uint8_t> whole = X3f({{"PROP", properties}}).data();
  const auto last_four = [&](std::uint32_t value) {
    Bytes out = Bytes(testfile::Order::kLittle).Raw(whole);
    out.PutU32At(whole.size() - 4, value);
    return out;
  };
  struct {
    const char* what;
    Bytes bytes;
    std::string model, serial;
  } const cases[] = {
      {"the directory past the end", last_four(0xFFFFFFF0u), "----------", "0"},
      {"the directory in the header", last_four(8), "----------", "0"},
      {"2^32 - 1 sections",
       [&] {
         Bytes out = Bytes(testfile::Order::kLittle).Raw(whole);
         out.PutU32At(whole.size() - 4 - 12 - 12 + 8, 0xFFFFFFFFu);
         return out;
       }(),
       "----------", "0"},
      {"2^32 - 1 entries", with(testfile::kX3fPropertyCountAt, 0xFFFFFFFFu), "----------", "0"},
      {"strings past the section", with(testfile::kX3fCharsAt, 0x7FFFFFFFu), "----------", "0"},
      {"names past the list", with(testfile::kX3fPairsAt + 8 * 2, 0x10000), "----------",
       "1008382"},
      {"a value past the list", with(testfile::kX3fPairsAt + 8 * 3 + 4, 0x10000), "SIGMA DP2", "0"},
      {"a value without its zero: the list ends before it",
       [&] {
         Bytes last = X3fProperties({{"CAMMODEL", "SIGMA DP2"}, {"CAMSERIAL", "1008382"}});
         last.PutU32At(testfile::kX3fCharsAt,
                       (static_cast<std::uint32_t>(last.size()) - 40) / 2 - 1);
         return X3f({{"PROP", last}});
       }(),
       "SIGMA DP2", "0"},
      {"another character format", with(12, 1), "----------", "0"},
      {"no PROP section", X3f({{"IMA2", image}}), "----------", "0"},
      {"nothing but the signature", Bytes().Text("FOVb"), "----------", "0"},
  };
  for (const auto& c : cases) {
    Analyse(c.bytes);
    EXPECT_TRUE(file_.IsValid()) << c.what;
    EXPECT_EQ(file_.Format, camerafile::kFormatX3f) << c.what;
    EXPECT_EQ(file_.GetModel(), c.model) << c.what;
    EXPECT_EQ(file_.GetSerialText(), c.serial) << c.what;
    EXPECT_LE(file_.DataFile.BytesRead(), 8192u) << c.what;
  }
}

TEST_F(Recognition, RawFilesOfMakersWithoutAMakeAreNotReadAsCanon) {
  // A Panasonic raw file's IFD0 holds the sensor's tags 6, 7 and 9.
  using testfile::Order;
  const std::vector<testfile::Field> sensor = {testfile::AsciiField(0x0006, "nicht Canon 6"),
                                               testfile::AsciiField(0x0007, "nicht Canon 7"),
                                               testfile::AsciiField(0x0009, "nicht Canon 9")};
  for (const std::string make : {"Panasonic", ""}) {
    Analyse(testfile::WithTiffMagic(
        testfile::MakerTiff(Order::kLittle, {make, "DMC-LX3", Bytes(), sensor}), 0x55));
    EXPECT_EQ(file_.GetModel(), "DMC-LX3") << make;
    EXPECT_EQ(file_.GetFirmware(), "----------") << make;
    EXPECT_EQ(file_.GetOwner(), "----------") << make;
  }
}

TEST_F(Recognition, EmptyAndMissingFilesAreNotRecognised) {
  Expect(Bytes(), {false, 0, 0});
  file_.Init(testfile::NameOf(dir_.path() / "missing.cr2"));
  file_.Analyse();
  EXPECT_FALSE(file_.IsValid());
  EXPECT_EQ(file_.Format, 0);
}

TEST_F(Recognition, TheNameDoesNotMatterOnlyTheBytes) {
  file_.Init(testfile::NameOf(dir_.Write("photo.jpg", Bytes().Text("II").U16(0x2A00))));
  file_.Analyse();
  EXPECT_EQ(file_.Format, 2);
}

}  // namespace
