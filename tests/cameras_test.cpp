// The camera that wrote the file decides where its exposure count is, and
// the serial line falls back on the Exif body serial number.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "camerafile/canon_file.h"
#include "camerafile/transcript.h"
#include "tests/analysed_file.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

constexpr std::uint32_t kEos1DMarkII = 0x80000174;
constexpr std::uint32_t kEosR5 = 0x80000421;
constexpr std::uint32_t kG5XMarkII = 0x00000804;

enum class Container { kTiff, kJpeg, kCr3, kHeif };

class CameraTable : public ::testing::TestWithParam<std::tuple<Order, Container>>,
                    protected AnalysedFile {
 protected:
  TCanonFile& Analyse(const CanonRecord& record) {
    const auto [order, container] = GetParam();
    Bytes bytes;
    switch (container) {
      case Container::kTiff:
        bytes = CanonTiff(order, record);
        break;
      case Container::kJpeg:
        bytes = Jpeg(CanonTiff(order, record), false);
        break;
      case Container::kCr3:
        bytes = Cr3(order, record);
        break;
      case Container::kHeif:
        bytes = Heif(order, record);
        break;
    }
    return AnalysedFile::Analyse(bytes);
  }
};

std::string ContainerName(const ::testing::TestParamInfo<std::tuple<Order, Container>>& param) {
  static const char* const kNames[] = {"Tiff", "Jpeg", "Cr3", "Heif"};
  return std::string(kNames[static_cast<int>(std::get<1>(param.param))]) +
         (std::get<0>(param.param) == Order::kBig ? "BigEndian" : "LittleEndian");
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, CameraTable,
                         ::testing::Combine(::testing::Values(Order::kBig, Order::kLittle),
                                            ::testing::Values(Container::kTiff, Container::kJpeg,
                                                              Container::kCr3, Container::kHeif)),
                         ContainerName);

TEST_P(CameraTable, EachCameraShowsTheCountWhereItKeepsItAndZeroWhereItKeepsNone) {
  // Every file also holds counter words (135393) and a camera-info record
  // of 4 KiB, so that a count taken from the wrong place shows.
  struct {
    const char* what;
    std::optional<std::uint32_t> model_id;
    std::optional<CameraInfo> info;
    std::int32_t count;
  } const cases[] = {
      {"EOS-1D Mark II: the counter words", kEos1DMarkII, CameraInfo{4096, 0x0AF1, 7}, 135393},
      {"EOS-1D", 0x80000001, CameraInfo{4096, 0x0AF1, 7}, 135393},
      {"EOS-1Ds", 0x80000167, std::nullopt, 135393},
      {"EOS-1Ds Mark II", 0x80000188, std::nullopt, 135393},
      {"EOS-1D Mark II N", 0x80000232, std::nullopt, 135393},
      {"EOS R5: camera info at 0x0AF1", kEosR5, CameraInfo{4096, 0x0AF1, 12260}, 12260},
      {"EOS R6", 0x80000453, CameraInfo{4096, 0x0AF1, 4321}, 4321},
      {"EOS R6 Mark II: at 0x0D29", 0x80000481, CameraInfo{4096, 0x0D29, 98765}, 98765},
      {"EOS R8", 0x80000487, CameraInfo{4096, 0x0D29, 1}, 1},
      {"EOS R50", 0x80000480, CameraInfo{4096, 0x0D29, 65536}, 65536},
      {"R6 Mark II: nothing at R5's byte", 0x80000481, CameraInfo{4096, 0x0AF1, 5}, 0},
      {"a count past 2^31 prints negative", kEosR5, CameraInfo{4096, 0x0AF1, 0x80000000u},
       INT32_MIN},
      {"a record one byte too short", kEosR5, CameraInfo{0x0AF4, 0x0AF0, 9}, 0},
      {"a record just long enough", kEosR5, CameraInfo{0x0AF5, 0x0AF1, 9}, 9},
      {"an R5 file without the record", kEosR5, std::nullopt, 0},
      {"EOS-1D Mark III keeps none", 0x80000169, CameraInfo{4096, 0x0AF1, 7}, 0},
      {"EOS 20D keeps a file number in the words", 0x80000175, std::nullopt, 0},
      // The CIFF cameras: their TIFF and JPEG files keep none.
      {"EOS D60", 0x01668000, CameraInfo{4096, 0x0AF1, 7}, 0},
      {"EOS 10D", 0x80000168, CameraInfo{4096, 0x0AF1, 7}, 0},
      {"EOS D30", 0x01140000, CameraInfo{4096, 0x0AF1, 7}, 0},
      {"EOS 300D", 0x80000170, CameraInfo{4096, 0x0AF1, 7}, 0},
      {"no model ID: the counter words as ever", std::nullopt, CameraInfo{4096, 0x0AF1, 7}, 135393},
  };
  for (const auto& c : cases) {
    CanonRecord record;
    record.model_id = c.model_id;
    record.camera_info = c.info;
    EXPECT_EQ(Analyse(record).GetShutterCount(), c.count) << c.what;
  }
}

TEST_P(CameraTable, PowerShotG5XMarkIIKeepsItsCountAtAnotherByteInCr3AndNoneInHeif) {
  CanonRecord record;
  record.model_id = kG5XMarkII;
  CameraInfo info{4096, 0x0293, 3333};
  record.camera_info = info;
  const Container container = std::get<1>(GetParam());
  const bool tiff_or_jpeg = container == Container::kTiff || container == Container::kJpeg;
  EXPECT_EQ(Analyse(record).GetShutterCount(), tiff_or_jpeg ? 3333 : 0);
  info.at = 0x0A95;
  record.camera_info = info;
  EXPECT_EQ(Analyse(record).GetShutterCount(), container == Container::kCr3 ? 3333 : 0);
}

TEST_P(CameraTable, SerialLineFallsBackOnTheBodySerialNumberAsItStands) {
  CanonRecord record;
  record.body_serial = "023021000484";
  EXPECT_EQ(Analyse(record).GetSerialText(), "301234") << "the maker note's number comes first";
  record.serial.reset();
  EXPECT_EQ(Analyse(record).GetSerialText(), "023021000484");
  EXPECT_EQ(file_.GetSerialNumber(), 0);
  record.body_serial = "1234";  // five bytes with its zero: read at its offset
  EXPECT_EQ(Analyse(record).GetSerialText(), "1234");
  record.body_serial = "123";  // four bytes with its zero: in the entry itself
  EXPECT_EQ(Analyse(record).GetSerialText(), "123");
  record.body_serial = "\x1b[2J0815";  // control bytes: no serial number
  EXPECT_EQ(transcript::Results(Analyse(record))[3], "Seriennummer       : 0");
  record.body_serial.clear();
  EXPECT_EQ(Analyse(record).GetSerialText(), "0");
}

class CameraTags : public ::testing::TestWithParam<Order>, protected AnalysedFile {};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, CameraTags, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

// Main directory at 8 with the given entries and an Exif pointer, Exif
// directory at 100 pointing at the maker note at 200, which holds the
// given entries and the counter words at 300 (3 * 65536 + 7 = 196615);
// a camera-info record at 400 holds 12260 at byte 0x0AF1.
Bytes WithEntries(Order order, std::vector<Entry> main, std::vector<Entry> maker_note,
                  std::vector<Entry> exif = {}) {
  Bytes bytes = TiffHeader(order, 8);
  main.push_back({kTagExif, kLong, 1, 100});
  AppendDirectory(bytes, main, 0);
  bytes.PadTo(100);
  exif.push_back({kTagMakerNote, kUndefined, 400 + 4096 - 200, 200});
  AppendDirectory(bytes, exif, 0);
  bytes.PadTo(200);
  maker_note.push_back({kTagCounter, kShort, 9, 300});
  AppendDirectory(bytes, maker_note, 0);
  bytes.PadTo(300).Words({18, 3, 7, 0, 0, 0, 0, 0, 0});
  return bytes.PadTo(400 + 0x0AF1).U32(12260).PadTo(400 + 4096);
}

TEST_P(CameraTags, ModelIdAndCameraInfoCountOnlyInTheMakerNoteAndOnlyOfTheirTypes) {
  const Entry r5{kTagModelId, kLong, 1, kEosR5};
  const Entry info{kTagCameraInfo, kUndefined, 4096, 400};
  EXPECT_EQ(Analyse(WithEntries(GetParam(), {}, {r5, info})).GetShutterCount(), 12260);
  EXPECT_EQ(Analyse(WithEntries(GetParam(), {r5, info}, {})).GetShutterCount(), 196615)
      << "in the main directory they name no camera";
  EXPECT_EQ(Analyse(WithEntries(GetParam(), {}, {r5}, {info})).GetShutterCount(), 0)
      << "an R5 whose record is in the Exif directory only";
  EXPECT_EQ(Analyse(WithEntries(GetParam(), {}, {{kTagModelId, kShort, 1, 0x0421}, info}))
                .GetShutterCount(),
            196615)
      << "a model ID must be one long";
  EXPECT_EQ(
      Analyse(WithEntries(GetParam(), {}, {{kTagModelId, kLong, 2, 400}, info})).GetShutterCount(),
      196615);
  // The record's size is its count times the unit size: 1024 longs hold
  // byte 0x0AF1, 1024 ASCII bytes do not, a type without a unit is no record.
  // The count's four bytes end at 0x0AF5: 702 longs and 351 rationals reach
  // them, 701 longs and 350 rationals do not.
  struct {
    std::uint16_t type;
    std::uint32_t count;
    std::int32_t shown;
  } const records[] = {
      {kByte, 4096, 12260}, {kLong, 702, 12260}, {kLong, 701, 0}, {5, 351, 12260}, {5, 350, 0}};
  for (const auto& r : records) {
    EXPECT_EQ(Analyse(WithEntries(GetParam(), {}, {r5, {kTagCameraInfo, r.type, r.count, 400}}))
                  .GetShutterCount(),
              r.shown)
        << r.type << " x " << r.count;
  }
  EXPECT_EQ(Analyse(WithEntries(GetParam(), {}, {r5, {kTagCameraInfo, kLong, 1024, 400}}))
                .GetShutterCount(),
            12260);
  EXPECT_EQ(Analyse(WithEntries(GetParam(), {}, {r5, {kTagCameraInfo, kAscii, 1024, 400}}))
                .GetShutterCount(),
            0);
  EXPECT_EQ(
      Analyse(WithEntries(GetParam(), {}, {r5, {kTagCameraInfo, 9, 4096, 400}})).GetShutterCount(),
      0);
}

// The main directory stands last and is cut off by the end of the file
// after its first entry, the Exif pointer: its entries are looked at a
// batch of 32 at a time, so it takes 32 of the 2048, the Exif directory one
// more, and the maker note's 2015th entry is the last looked at.
Bytes OwnerAsEntry(Order order, std::uint32_t entry) {
  Bytes bytes = TiffHeader(order, 0);
  const std::uint32_t note_size = 2 + 12 * entry + 4;
  AppendDirectory(bytes, {{kTagMakerNote, kUndefined, note_size, 64}}, 0);  // Exif, at 8
  bytes.PadTo(26).Text("Erika Mustermann").PadTo(64);
  std::vector<Entry> note(entry - 1, Entry{0x0001, kShort, 1, 0});
  note.push_back({kTagOwner, kAscii, 32, 26});
  AppendDirectory(bytes, note, 0);
  const auto main = static_cast<std::uint32_t>(bytes.size());
  bytes.U16(40).U16(kTagExif).U16(kLong).U32(1).U32(8);
  bytes.PutU32At(4, main);
  return bytes;
}

TEST_P(CameraTags, TheEntryCapCountsWhatACutOffDirectoryTook) {
  EXPECT_EQ(Analyse(OwnerAsEntry(GetParam(), 2015)).GetOwner(), "Erika Mustermann");
  EXPECT_EQ(Analyse(OwnerAsEntry(GetParam(), 2016)).GetOwner(), "----------");
}

TEST_P(CameraTags, BodySerialNumberCountsInAnyDirectory) {
  std::vector<std::uint8_t> raw =
      WithEntries(GetParam(), {{kTagBodySerial, kAscii, 13, 60}}, {}).data();
  const std::string serial = "093022004357";
  std::copy(serial.begin(), serial.end(), raw.begin() + 60);
  EXPECT_EQ(Analyse(Bytes().Raw(raw)).GetSerialText(), serial);
}

}  // namespace
