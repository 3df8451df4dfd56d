// The directory reader and the walk over TIFF files in both byte orders:
// entry layout, chain order, loops, skipped string entries, signed results.
#include <gtest/gtest.h>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

class Walk : public ::testing::TestWithParam<Order> {
 protected:
  Order order() const { return GetParam(); }
  TCanonFile& Analyse(const Bytes& bytes) {
    file_.Init(NameOf(dir_.Write("file.tif", bytes)));
    file_.Analyse();
    return file_;
  }
  // Opens the file for calls of ReadDirectory at a position of the test's.
  void OpenAt(const Bytes& bytes, camerafile::FileOffset position) {
    file_.Init(NameOf(dir_.Write("file.tif", bytes)));
    ASSERT_TRUE(file_.DataFile.Open(file_.FileName));
    file_.IntelOrder = order() == Order::kLittle ? 1 : 0;
    file_.DataFile.Seek(position);
  }

  TempDir dir_;
  TCanonFile file_;
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, Walk, ::testing::Values(Order::kBig, Order::kLittle),
                         [](const auto& param_info) {
                           return param_info.param == Order::kBig ? "BigEndian" : "LittleEndian";
                         });

TEST_P(Walk, CameraFileYieldsAllFiveValues) {
  const TCanonFile& file = Analyse(CanonTiff(order()));
  EXPECT_TRUE(file.IsValid());
  EXPECT_EQ(file.GetModel(), "Canon EOS-1D Mark II");
  EXPECT_EQ(file.GetFirmware(), "Firmware Version 1.2.3");
  EXPECT_EQ(file.GetOwner(), "Erika Mustermann");
  EXPECT_EQ(file.GetSerialNumber(), 301234);
  EXPECT_EQ(file.GetShutterCount(), 135393);
}

TEST_P(Walk, EmptyDirectoryReadsOnlyItsCountAndNextOffset) {
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {}, 0x1234);
  OpenAt(bytes, 8);
  file_.ReadDirectory();
  EXPECT_EQ(file_.EntryCount, 0);
  EXPECT_EQ(file_.NextIfd, 0x1234);
  EXPECT_EQ(file_.DataFile.Position(), 8 + 2 + 4);
}

TEST_P(Walk, EveryEntryTakesTwelveBytesAndTheFieldsHoldTheLastOne) {
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {{kTagMake, kAscii, 6, 100}, {0x0110, kShort, 3, 7}}, 0);
  OpenAt(bytes, 8);
  file_.ReadDirectory();
  EXPECT_EQ(file_.EntryCount, 2);
  EXPECT_EQ(file_.EntryTag, 0x0110);
  EXPECT_EQ(file_.EntryType, kShort);
  EXPECT_EQ(file_.ValueCount, 3);
  EXPECT_EQ(file_.ValueSize, 6);
  EXPECT_EQ(file_.DataFile.Position(), 8 + 2 + 24 + 4);
}

TEST_P(Walk, ChainIsReadInChainOrderBeforeTheExifDirectory) {
  // Directories in the file: A at 8, C at 40, B at 60, Exif at 80. The
  // chain is A -> B -> C; the serial number tag counts wherever it stands,
  // so the last value stored shows the order of reading.
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 1}, {kTagExif, kLong, 1, 80}}, 60);
  bytes.PadTo(40);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 3}}, 0);
  bytes.PadTo(60);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 2}}, 40);
  bytes.PadTo(80);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 4}}, 8);  // not followed
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 4);
  bytes.PutU32At(8 + 2 + 12 + 8, 0);  // no Exif pointer: C is read last
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 3);
}

TEST_P(Walk, ChainThatComesBackEnds) {
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 1}}, 40);  // A -> B
  bytes.PadTo(40);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 2}}, 8);  // B -> A
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 2);
  bytes.PutU32At(40 + 2 + 12, 40);  // B -> B
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 2);
  bytes.PutU32At(40 + 2 + 12, 60);  // A -> B -> C -> A
  bytes.PadTo(60);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 3}}, 8);
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 3);
}

// Each cap at its edge: the last serial number read tells how far the walk
// went. Chain: 32 directories read, not 33. Entries: the 2048th counted,
// across directories, and not the 2049th. Fetches: directories one 4 KiB
// block apart, the header's block the first of 16 fetched.
TEST_P(Walk, CapsHoldAtTheirExactValues) {
  Bytes chain = TiffHeader(order(), 8);
  for (std::uint32_t i = 1; i <= 40; ++i) {
    AppendDirectory(chain, {{kTagSerial, kLong, 1, i}}, 8 + 18 * i);
  }
  Bytes entries = TiffHeader(order(), 8);
  AppendDirectory(entries, std::vector<Entry>(2000, Entry{kTagMake, kShort, 1, 0}), 8 + 24006);
  std::vector<Entry> second(48, Entry{kTagMake, kShort, 1, 0});
  second.back() = {kTagSerial, kLong, 1, 2048};
  AppendDirectory(entries, second, 8 + 24006 + 582);
  AppendDirectory(entries, {{kTagSerial, kLong, 1, 2049}}, 0);
  Bytes blocks = TiffHeader(order(), 4096);
  for (std::uint32_t i = 1; i <= 20; ++i) {
    blocks.PadTo(4096 * i);
    AppendDirectory(blocks, {{kTagSerial, kLong, 1, i}}, 4096 * (i + 1));
  }
  EXPECT_EQ(Analyse(chain).GetSerialNumber(), 32);
  EXPECT_EQ(Analyse(entries).GetSerialNumber(), 2048);
  EXPECT_EQ(Analyse(blocks).GetSerialNumber(), 15);
}

TEST_P(Walk, LongChainOfDistinctDirectoriesIsFollowed) {
  constexpr std::uint32_t kDirectories = 12;  // three times what a ".cr2" chains
  Bytes bytes = TiffHeader(order(), 8);
  for (std::uint32_t i = 0; i < kDirectories; ++i) {
    const std::uint32_t next = i + 1 < kDirectories ? 8 + (i + 1) * 18 : 0;
    AppendDirectory(bytes, {{kTagSerial, kLong, 1, 100 + i}}, next);
  }
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), 100 + static_cast<int>(kDirectories) - 1);
}

TEST_P(Walk, SerialNumberAbove2To31IsNegative) {
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 0x80000000u}}, 0);
  EXPECT_EQ(Analyse(bytes).GetSerialNumber(), INT32_MIN);
}

TEST_P(Walk, ShortOrNonAsciiOrHugeStringEntriesAreSkipped) {
  struct {
    Entry entry;
    const char* model;
  } const cases[] = {
      {{kTagModel, kAscii, 4, 60}, "----------"},
      {{kTagModel, kUndefined, 32, 60}, "----------"},
      {{kTagModel, kAscii, 0x80000000u, 60}, "----------"},
      {{kTagModel, kAscii, 5, 60}, "Some model"},  // five bytes do not fit in the entry
  };
  for (const auto& c : cases) {
    Bytes bytes = TiffHeader(order(), 8);
    AppendDirectory(bytes, {c.entry, {kTagSerial, kLong, 1, 77}}, 0);
    bytes.PadTo(60).Text("Some model").U8(0);
    const TCanonFile& file = Analyse(bytes);
    EXPECT_EQ(file.GetModel(), c.model) << c.entry.type << " " << c.entry.count;
    EXPECT_EQ(file.GetSerialNumber(), 77) << "the next entry is read from its place";
  }
}

TEST_P(Walk, LaterStringEntryWinsButASkippedOneKeepsTheEarlier) {
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(
      bytes, {{kTagOwner, kAscii, 8, 60}, {kTagOwner, kAscii, 8, 70}, {kTagOwner, kAscii, 2, 60}},
      0);
  bytes.PadTo(60).Text("First").U8(0).PadTo(70).Text("Second").U8(0);
  EXPECT_EQ(Analyse(bytes).GetOwner(), "Second");
}

TEST_P(Walk, DirectoryOfMoreThanOneBatchReadsExactlyItsEntries) {
  std::vector<Entry> entries;
  for (std::uint32_t i = 1; i <= 40; ++i) entries.push_back({kTagSerial, kLong, 1, i});
  // 33 entries, then bytes that look like more of them.
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {entries.begin(), entries.begin() + 33}, 0);
  AppendDirectory(bytes, {{kTagSerial, kLong, 1, 99}, {kTagSerial, kLong, 1, 98}}, 0);
  OpenAt(bytes, 8);
  file_.ReadDirectory();
  EXPECT_EQ(file_.SerialNumber, 33);
  EXPECT_EQ(file_.DataFile.Position(), 8 + 2 + 12 * 33 + 4);

  // 40 entries cut off after the 36th: the rest reads as zeros, not as what
  // an earlier batch left behind.
  Bytes whole = TiffHeader(order(), 8);
  AppendDirectory(whole, entries, 0);
  const std::vector<std::uint8_t> cut(whole.data().begin(), whole.data().begin() + 8 + 2 + 12 * 36);
  file_.Init(NameOf(dir_.Write("cut.tif", cut)));
  file_.Analyse();
  EXPECT_EQ(file_.GetSerialNumber(), 36);
}

TEST_P(Walk, DirectoryRunningPastTheEndReadsZeros) {
  Bytes bytes = TiffHeader(order(), 8);
  bytes.U16(60000).U16(kTagSerial).U16(kLong).U32(1).U32(9);  // one whole entry, then the end
  OpenAt(bytes, 8);
  file_.ReadDirectory();
  EXPECT_EQ(file_.SerialNumber, 9);
  EXPECT_EQ(file_.NextIfd, 0);
  EXPECT_EQ(file_.DataFile.Position(), 8 + 2 + 12 * 60000 + 4);
}

TEST_P(Walk, PointersPastTheEndLeaveTheDefaults) {
  Bytes bytes = TiffHeader(order(), 8);
  AppendDirectory(bytes, {{kTagExif, kLong, 1, 0xFFFFFFF0u}, {kTagModel, kAscii, 40, 0xFFFFFFFFu}},
                  0xFFFFFFFFu);
  const TCanonFile& file = Analyse(bytes);
  EXPECT_TRUE(file.IsValid());
  EXPECT_EQ(file.GetModel(), "");  // a string past the end is empty
  EXPECT_EQ(file.GetShutterCount(), 0);
}

}  // namespace
