// The JPEG Exif locator and the CIFF fixed-offset readout.
#include <gtest/gtest.h>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

class Container : public ::testing::Test {
 protected:
  TCanonFile& Analyse(const Bytes& bytes) {
    file_.Init(NameOf(dir_.Write("file", bytes)));
    file_.Analyse();
    return file_;
  }
  TempDir dir_;
  TCanonFile file_;
};

TEST_F(Container, JpegWithApp1FirstHasItsTiffHeaderAt12) {
  const TCanonFile& file = Analyse(Jpeg(CanonTiff(Order::kLittle), false));
  EXPECT_EQ(file.Format, 4);
  EXPECT_EQ(file.Kind, 0);
  EXPECT_EQ(file.TiffBase, 12);
  EXPECT_EQ(file.IntelOrder, 1);
  // Strings and counter words are found at their offset plus TiffBase.
  EXPECT_EQ(file.GetModel(), "Canon EOS-1D Mark II");
  EXPECT_EQ(file.GetOwner(), "Erika Mustermann");
  EXPECT_EQ(file.GetShutterCount(), 135393);
}

TEST_F(Container, JpegApp0SegmentIsSkipped) {
  const TCanonFile& file = Analyse(Jpeg(CanonTiff(Order::kBig), true));
  EXPECT_EQ(file.TiffBase, 30);
  EXPECT_EQ(file.IntelOrder, 0);
  EXPECT_EQ(file.GetFirmware(), "Firmware Version 1.2.3");
  EXPECT_EQ(file.GetSerialNumber(), 301234);
}

TEST_F(Container, JpegChainedDirectoryIsFoundFromTheTiffHeader) {
  // The next-directory offset counts from the TIFF header, like all others.
  Bytes tiff = TiffHeader(Order::kLittle, 8);
  AppendDirectory(tiff, {{kTagMake, kAscii, 4, 0}}, 26);
  AppendDirectory(tiff, {{kTagSerial, kLong, 1, 4711}}, 0);
  EXPECT_EQ(Analyse(Jpeg(tiff, true)).GetSerialNumber(), 4711);
}

TEST_F(Container, JpegApp0LengthsThatMakeNoSenseEndQuietly) {
  for (std::uint32_t length : {0u, 1u, 2u, 0xFFFFu}) {
    Bytes bytes;
    bytes.U16(0xFFD8).U16(0xFFE0).U16(length).Zeros(20);
    const TCanonFile& file = Analyse(bytes);
    EXPECT_TRUE(file.IsValid());
    EXPECT_EQ(file.GetModel(), "----------");
  }
}

TEST_F(Container, CiffLittleEndianReadsSerialAndCountAtTheAnchor) {
  // 900 bytes: "II", length 26, "HEAPCCDR"; the value 100 at 892 puts the
  // anchor at 126: serial 123 at 692, exposure count 300 at 788.
  Bytes bytes = Ciff(Order::kLittle, 900, 100, 123, 300);
  ASSERT_EQ(bytes.size(), 900u);
  const TCanonFile& file = Analyse(bytes);
  EXPECT_EQ(file.Format, 3);
  EXPECT_EQ(file.CiffAnchor, 126);
  EXPECT_EQ(file.GetSerialNumber(), 123);
  EXPECT_EQ(file.GetShutterCount(), 300);
  EXPECT_EQ(file.GetModel(), "----------");
  EXPECT_EQ(file.GetFirmware(), "----------");
  EXPECT_EQ(file.GetOwner(), "----------");
}

TEST_F(Container, CiffBigEndianAndAnExposureCountOfOneWord) {
  const TCanonFile& file = Analyse(Ciff(Order::kBig, 1200, 300, 0x80000001u, 65535));
  EXPECT_EQ(file.GetSerialNumber(), INT32_MIN + 1);
  EXPECT_EQ(file.GetShutterCount(), 65535);
}

TEST_F(Container, CiffAnchorOutsideTheFileGivesZeros) {
  Bytes bytes = Ciff(Order::kLittle, 900, 100, 123, 300);
  bytes.PutU32At(892, 0xFFFFFFFFu);
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 0);
  // Only the header: the "trailer" is part of the signature and the anchor
  // lands far past the end.
  EXPECT_EQ(Analyse(Bytes().Text("II").U32(0).Text("HEAPCCDR")).GetShutterCount(), 0);
}

TEST_F(Container, CiffOf3GiBFindsItsAnchorPast2GiB) {
  // A sparse file: only the header, the two values and the trailer are
  // written. A 32-bit size or seek would land somewhere else entirely.
  constexpr std::uint64_t kSize = 3ull << 30;
  constexpr std::uint32_t kAnchorValue = 0xB0000000u;  // 2.75 GiB, before the header length
  const auto path =
      dir_.Write("big.crw", Bytes(Order::kLittle).Text("II").U32(26).Text("HEAPCCDR"));
  const std::uint64_t anchor = std::uint64_t{kAnchorValue} + 26;
  WriteAt(path, anchor + 566, Bytes(Order::kLittle).U32(4711));
  WriteAt(path, anchor + 662, Bytes(Order::kLittle).U16(815));
  WriteAt(path, kSize - 8, Bytes(Order::kLittle).U32(kAnchorValue).U32(0));
  ASSERT_EQ(std::filesystem::file_size(path), kSize);

  file_.Init(NameOf(path));
  file_.Analyse();
  EXPECT_EQ(file_.CiffAnchor, static_cast<camerafile::FileOffset>(anchor));
  EXPECT_EQ(file_.GetSerialNumber(), 4711);
  EXPECT_EQ(file_.GetShutterCount(), 815);
}

}  // namespace
