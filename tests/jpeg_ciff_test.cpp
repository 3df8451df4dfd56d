// The JPEG Exif locator and the CIFF readout.
#include <gtest/gtest.h>

#include <optional>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"

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

// CIFF files that name their camera in heap record 0x1834 (0x300A, then
// 0x300B). The root heap's one record, 0x300A, starts with 0x2A0 bytes whose
// bytes 0x236 and 0x296 are the fixed-offset serial (111) and count (222);
// the anchor, taken from the end of the file, is that record's start.
class CiffHeap : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  // The record whose bytes the fixed offsets of the D60 and 10D reach.
  CiffRecord FixedOffsetData() const {
    Bytes fixed(GetParam());
    fixed.PadTo(0x236).U32(111).PadTo(0x296).U16(222).PadTo(0x2A0);
    return {0x0805, fixed.data()};
  }
  CiffRecord ModelId(std::uint32_t id) const { return {0x5834, U32Bytes(GetParam(), id)}; }
  // The EOS serial number record, its four bytes in the record.
  CiffRecord SerialInRecord(std::uint32_t serial) const {
    return {0x580B, U32Bytes(GetParam(), serial)};
  }
  // Heap 0x300A; the serial record before or after 32 other bytes.
  CiffRecord ImageProps(std::optional<std::uint32_t> model_id, std::optional<CiffRecord> serial,
                        bool serial_second = false) const {
    std::vector<CiffRecord> camera_spec = {{0x080B, std::vector<std::uint8_t>(32, 'x')}};
    if (serial) {
      camera_spec.insert(serial_second ? camera_spec.end() : camera_spec.begin(), *serial);
    }
    std::vector<CiffRecord> image_props = {
        FixedOffsetData(),
        {0x2807, {}, {{0x0810, std::vector<std::uint8_t>(32, 'o')}, {0x3004, {}, camera_spec}}}};
    if (model_id) image_props.push_back({0x300B, {}, {ModelId(*model_id)}});
    return {0x300A, {}, image_props};
  }
  Bytes File(std::optional<std::uint32_t> model_id, std::optional<CiffRecord> serial,
             bool serial_second = false) const {
    return CiffWithHeap(GetParam(), {ImageProps(model_id, serial, serial_second)});
  }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, CiffHeap, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

TEST_P(CiffHeap, TheCameraNamedInTheHeapDecidesWhatIsRead) {
  struct {
    const char* camera;
    std::optional<std::uint32_t> model_id;
    std::optional<CiffRecord> serial_record;
    std::int32_t serial;
    std::int32_t count;
  } const cases[] = {
      {"D60: fixed offsets", 0x01668000, SerialInRecord(560018150), 111, 222},
      {"10D: fixed offsets", 0x80000168, std::nullopt, 111, 222},
      {"no camera named: fixed offsets", std::nullopt, SerialInRecord(5), 111, 222},
      {"300D: record 0x180B", 0x80000170, SerialInRecord(560018150), 560018150, 0},
      {"D30: record 0x180B in the heap", 0x01140000,
       CiffRecord{0x180B, U32Bytes(GetParam(), 0x80000000u)}, INT32_MIN, 0},
      {"300D without record 0x180B", 0x80000170, std::nullopt, 0, 0},
      {"300D with too short a record", 0x80000170, CiffRecord{0x180B, {1, 2, 3}}, 0, 0},
      {"PowerShot S40: its 0x180B is no serial", 0x01110000, SerialInRecord(1135765596), 0, 0},
  };
  for (const auto& c : cases) {
    Analyse(File(c.model_id, c.serial_record));
    EXPECT_EQ(file_.Format, 3) << c.camera;
    EXPECT_EQ(file_.GetSerialNumber(), c.serial) << c.camera;
    EXPECT_EQ(file_.GetSerialText(), std::to_string(static_cast<std::uint32_t>(c.serial)))
        << c.camera << ": the line is unsigned";
    EXPECT_EQ(file_.GetShutterCount(), c.count) << c.camera;
    EXPECT_EQ(file_.GetModel(), "----------") << c.camera;
  }
}

TEST_P(CiffHeap, RecordsAreLookedForOnlyWhereTheyBelongAndInsideTheirHeap) {
  constexpr std::uint32_t kPowerShotS40 = 0x01110000;
  const auto with_exif_heap = [&](std::vector<CiffRecord> root, CiffRecord exif_information) {
    root.push_back({0x300A, {}, {FixedOffsetData(), exif_information}});
    return CiffWithHeap(GetParam(), root);
  };
  EXPECT_EQ(Analyse(with_exif_heap({}, {0x300B, {}, {ModelId(kPowerShotS40)}})).SerialNumber, 0);
  // Elsewhere than two sub-heaps down the model ID names no camera, and the
  // fixed offsets are read.
  EXPECT_EQ(Analyse(with_exif_heap({ModelId(kPowerShotS40)}, {0x300B})).SerialNumber, 111);
  EXPECT_EQ(Analyse(with_exif_heap({}, {0x300C, {}, {ModelId(kPowerShotS40)}})).SerialNumber, 111);
  // A record may reach to the end of the heap that holds it, not past it:
  // the 300D's serial record is the first of a heap of 4 + 32 bytes of
  // data, a directory of two records and its offset, 62 bytes in all.
  CiffRecord serial{0x180B, U32Bytes(GetParam(), 4711), {}, 62 - 4};
  EXPECT_EQ(Analyse(File(0x80000170, serial)).SerialNumber, 4711);
  serial.size_past = 62 - 4 + 1;
  EXPECT_EQ(Analyse(File(0x80000170, serial)).SerialNumber, 0);
  // The same at offset 32 of its heap: 30 bytes reach its end.
  serial.size_past = 62 - 32 - 4;
  EXPECT_EQ(Analyse(File(0x80000170, serial, true)).SerialNumber, 4711);
  serial.size_past = 62 - 32 - 4 + 1;
  EXPECT_EQ(Analyse(File(0x80000170, serial, true)).SerialNumber, 0);
}

TEST_P(CiffHeap, ADirectoryHoldsOnlyTheRecordsThatFitInIt) {
  // Heap 0x300B: a count of 1, then 6 of the record's 10 bytes (its tag
  // and a 300D's model ID), then the directory's offset. No camera is
  // named, so the fixed offsets are read.
  Bytes cut(GetParam());
  cut.U16(1).U16(0x5834).U32(0x80000170).U32(0);
  CiffRecord image_props = ImageProps(std::nullopt, std::nullopt);
  image_props.children.push_back({0x300B, cut.data()});
  Analyse(CiffWithHeap(GetParam(), {image_props}));
  EXPECT_EQ(file_.SerialNumber, 111);
  EXPECT_EQ(file_.ShutterCount, 222);
}

TEST_P(CiffHeap, A256thRecordIsLookedAtAndA257thIsNot) {
  const auto root_with = [&](int before) {
    std::vector<CiffRecord> root(static_cast<std::size_t>(before), CiffRecord{0x4001});
    root.push_back(ImageProps(0x80000170, SerialInRecord(4711)));
    return CiffWithHeap(GetParam(), root);
  };
  EXPECT_EQ(Analyse(root_with(255)).SerialNumber, 4711) << "the 300D's serial record";
  EXPECT_EQ(Analyse(root_with(256)).SerialNumber, 111) << "no camera named: the fixed offsets";
}

TEST_P(CiffHeap, TheDirectoryOffsetMustLieInsideTheHeap) {
  const std::vector<std::uint8_t> raw = File(0x80000170, SerialInRecord(4711)).data();
  ASSERT_EQ(Analyse(Bytes().Raw(raw)).SerialNumber, 4711);
  for (std::uint32_t offset : {0xFFFFFFFFu, 0x7FFFFFFFu, static_cast<std::uint32_t>(raw.size())}) {
    Bytes bytes = Bytes(GetParam()).Raw(raw);
    bytes.PutU32At(raw.size() - 4, offset);
    EXPECT_TRUE(Analyse(bytes).IsValid());
    EXPECT_EQ(file_.SerialNumber, 111) << offset << ": names no camera, so the fixed offsets";
  }
}
