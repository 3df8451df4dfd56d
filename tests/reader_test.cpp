// The record and the byte-order reader: defaults, byte order, unsigned
// longs, bounded strings with the position put back, the exposure-count
// words, and reads outside the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"

namespace {

using camerafile::TCanonFile;
using testfile::Bytes;
using testfile::Order;

class Reader : public ::testing::Test {
 protected:
  // Opens a file of these bytes for the primitives, in the given order.
  void Open(const Bytes& bytes, int intel_order) {
    file_.Init(testfile::NameOf(dir_.Write("data.bin", bytes)));
    ASSERT_TRUE(file_.DataFile.Open(file_.FileName));
    file_.IntelOrder = intel_order;
  }

  testfile::TempDir dir_;
  TCanonFile file_;
};

TEST(Record, InitResetsWhatAnEarlierUseLeft) {
  TCanonFile file;
  file.Model = "x";
  file.Firmware = "y";
  file.Owner = "z";
  file.SerialNumber = 5;
  file.ShutterCount = 6;
  file.Valid = true;
  file.Format = 4;
  file.TiffBase = 12;
  file.IntelOrder = 1;
  file.ExifIfd = 30;
  file.MakerNoteIfd = 40;
  file.NextIfd = 50;
  file.MakerState.pending.canon.model_id = 0x80000421;
  file.MakerState.make = "NIKON";
  file.MechanicalCount = 7;
  file.HasSerialNumber = true;
  file.BodySerialNumber = "023021000484";
  EXPECT_TRUE(file.Init(testfile::NameOf("a.cr2")));
  EXPECT_FALSE(file.MakerState.pending.canon.model_id.has_value());
  EXPECT_TRUE(file.MakerState.make.empty());
  EXPECT_EQ(file.GetMechanicalCount(), 0);
  EXPECT_EQ(file.GetSerialText(), "0");
  EXPECT_EQ(file.GetModel(), "----------");
  EXPECT_EQ(file.GetFirmware(), "----------");
  EXPECT_EQ(file.GetOwner(), "----------");
  EXPECT_EQ(file.GetSerialNumber(), 0);
  EXPECT_EQ(file.GetShutterCount(), 0);
  EXPECT_FALSE(file.IsValid());
  EXPECT_EQ(file.Format, 0);
  EXPECT_EQ(file.TiffBase, 0);
  EXPECT_EQ(file.ExifIfd, 0);
  EXPECT_EQ(file.MakerNoteIfd, 0);
  EXPECT_EQ(file.NextIfd, 0);
  EXPECT_EQ(file.IntelOrder, 1) << "byte order is set by Analyse, not by Init";
}

TEST(Record, LongFileNameIsKeptWhole) {
  TCanonFile file;
  const camerafile::TFileName name(300, 'n');
  file.Init(name);
  EXPECT_EQ(file.FileName, name);
}

TEST_F(Reader, WordsAndLongsFollowTheByteOrder) {
  Bytes bytes;
  bytes.U8(0x2A).U8(0x00).U8(0x00).U8(0x2A).U8(0x01).U8(0x02).U8(0x03).U8(0x04);
  Open(bytes, 1);
  EXPECT_EQ(file_.ReadWord(), 42);
  file_.IntelOrder = 0;
  EXPECT_EQ(file_.ReadWord(), 42);
  EXPECT_EQ(file_.ReadLong(), 0x01020304);
  file_.DataFile.Seek(4);
  file_.IntelOrder = 1;
  EXPECT_EQ(file_.ReadLong(), 0x04030201);
  EXPECT_EQ(file_.DataFile.Position(), 8);
}

TEST_F(Reader, LongIsUnsigned) {
  Open(Bytes().U32(0xFFFFFFFF).U32(0x80000000), 0);
  EXPECT_EQ(file_.ReadLong(), 4294967295LL);
  EXPECT_EQ(file_.ReadLong(), 2147483648LL);
}

TEST_F(Reader, CharsPassEveryByte) {
  Open(Bytes().U8(0).U8('A').U8(0xFF).U8(0x0A), 0);
  EXPECT_EQ(file_.ReadChars(4), std::string("\0A\xFF\n", 4));
}

TEST_F(Reader, ReadsOutsideTheFileYieldZeroAndAdvance) {
  Open(Bytes().U8(0x12).U8(0x34), 0);
  file_.DataFile.Seek(1);
  EXPECT_EQ(file_.ReadWord(), 0x3400);  // half inside, half past the end
  EXPECT_EQ(file_.DataFile.Position(), 3);
  EXPECT_EQ(file_.ReadLong(), 0);
  EXPECT_EQ(file_.DataFile.Position(), 7);
  file_.DataFile.Seek(-1);
  EXPECT_EQ(file_.ReadWord(), 0x0012);  // before the start reads zero too
  file_.DataFile.Seek(4294967295LL + 4294967295LL);
  EXPECT_EQ(file_.ReadLong(), 0);
  Open(Bytes().PadTo(4096).U8(0x5A), 0);  // a last block of a single byte
  file_.DataFile.Seek(4096);
  EXPECT_EQ(file_.DataFile.ReadByte(), 0x5A);
}

// The camera software may still be writing the file, or cut it short: where
// its bytes used to be, a read gives zeros at once rather than waiting.
TEST_F(Reader, FileThatShrankAfterOpeningReadsZeros) {
  Open(Bytes().Text(std::string(8192, 'x')), 0);
  std::filesystem::resize_file(dir_.path() / "data.bin", 100);
  file_.DataFile.Seek(5000);
  EXPECT_EQ(file_.ReadLong(), 0);
}

// Past the 16-block budget a block reads as zeros, never as what its cache
// slot held before.
TEST_F(Reader, BlockPastTheBudgetReadsZeros) {
  Bytes bytes;
  for (std::uint32_t block = 0; block < 17; ++block) bytes.PadTo(4096 * block).U8(block + 1);
  Open(bytes.PadTo(17 * 4096), 0);
  for (std::uint32_t block = 0; block < 16; ++block) {
    file_.DataFile.Seek(4096 * block);
    EXPECT_EQ(file_.DataFile.ReadByte(), block + 1);
  }
  file_.DataFile.Seek(4096 * 16);
  EXPECT_EQ(file_.DataFile.ReadByte(), 0);
}

// A front end keeps one record for many files: a file narrowed to the one
// inside it (a RAF's JPEG) is all of the next file opened, from its byte 0.
TEST_F(Reader, NarrowedFileIsWholeAgainOnceOpenedOrClosed) {
  Open(Bytes().Text("ABCDEFGH"), 0);
  file_.DataFile.Narrow(4, 2);
  EXPECT_EQ(file_.DataFile.Size(), 2);
  EXPECT_EQ(file_.DataFile.ReadByte(), 'E');
  ASSERT_TRUE(file_.DataFile.Open(file_.FileName));
  EXPECT_EQ(file_.DataFile.Size(), 8);
  EXPECT_EQ(file_.DataFile.ReadByte(), 'A');
  file_.DataFile.Narrow(4, 2);
  file_.DataFile.Close();
  EXPECT_EQ(file_.DataFile.Size(), 0);
  EXPECT_EQ(file_.DataFile.Position(), 0);
}

// The first 32 KiB come in one read, and each block past them once,
// however often the reading comes back to it.
TEST_F(Reader, FirstBlocksAtOnceAndBlocksVisitedByTurnsFetchedOnce) {
  Open(Bytes().PadTo(3 * 4096), 0);
  file_.ReadWord();
  EXPECT_EQ(file_.DataFile.BytesRead(), 3u * 4096) << "a small file whole";
  Open(Bytes().PadTo(12 * 4096), 0);
  for (camerafile::FileOffset at : {0, 9 * 4096, 10, 9 * 4096 + 4, 20, 10 * 4096, 7 * 4096}) {
    file_.DataFile.Seek(at);
    file_.ReadLong();
  }
  EXPECT_EQ(file_.DataFile.BytesRead(), 8u * 4096 + 2 * 4096);
}

TEST_F(Reader, StringKeepsAtMost255BytesAndRestoresThePosition) {
  Bytes bytes;
  bytes.Zeros(10).Text(std::string(300, 'x')).U8(0).Text("tail");
  Open(bytes, 0);
  file_.DataFile.Seek(3);
  EXPECT_EQ(file_.ReadStringAt(10), std::string(255, 'x'));
  EXPECT_EQ(file_.DataFile.Position(), 3);
  EXPECT_EQ(file_.ReadStringAt(311), "tail") << "the end of the file ends a string";
  EXPECT_EQ(file_.ReadStringAt(5000), "");
  EXPECT_EQ(file_.DataFile.Position(), 3);
}

TEST_F(Reader, StringStopsAtItsZeroByte) {
  Open(Bytes().Text("Canon EOS").U8(0).Text("next"), 0);
  EXPECT_EQ(file_.ReadStringAt(0), "Canon EOS");
}

// w1 and w2 are one counter, high word first; w6 (the RAW+JPEG quality,
// 65535 on raw-only shots) and the other words play no part.
TEST_F(Reader, ShutterCountIsTheHighAndLowWordInTheFileOrder) {
  struct {
    std::uint16_t w1, w2, w6;
    std::int32_t count;
  } const records[] = {
      {0, 50, 100, 50},              // below 65,536: the low word alone
      {2, 50, 100, 131122},          // 2 * 65536 + 50
      {3, 3392, 65535, 200000},      // raw-only shot
      {3, 3392, 3, 200000},          // RAW+JPEG, quality 3
      {3, 3392, 0, 200000},          // a zero in w6 changes nothing either
      {0xFFFF, 0xFFFF, 0xFFFF, -1},  // the largest record, read back signed
  };
  for (Order order : {Order::kBig, Order::kLittle}) {
    for (const auto& r : records) {
      Bytes bytes(order);
      bytes.Zeros(6).Words({18, r.w1, r.w2, 0, 0, 0, r.w6, 0, 0});
      Open(bytes, order == Order::kLittle ? 1 : 0);
      file_.DataFile.Seek(1);
      EXPECT_EQ(file_.ReadShutterCountAt(6), r.count) << r.w1 << " " << r.w2 << " " << r.w6;
      EXPECT_EQ(file_.DataFile.Position(), 1);
    }
  }
}

// Only what was opened is checked, and only regular files are kept: a
// folder, a pipe or a device could make a read wait for ever.
TEST(Opener, KeepsRegularFilesOnly) {
  namespace fs = std::filesystem;
  testfile::TempDir dir;
  const fs::path regular = dir.Write("a.cr2", Bytes().Text("II*"));
  const fs::path read_only = dir.Write("b.cr2", Bytes().Text("MM*"));
  fs::permissions(read_only, fs::perms::owner_read, fs::perm_options::replace);
  struct {
    fs::path path;
    bool opens;
  } const kinds[] = {
      {regular, true},
      {read_only, true},
      {dir.path(), false},
      {dir.path() / "missing.cr2", false},
#ifdef _WIN32
      {"NUL", false},
      {"CON", false},
      {dir.path() / "COM1", false},  // a device wherever it is named
      {"\\\\.\\NUL", false},
#else
      {"/dev/null", false}, {dir.path() / "pipe.cr2", false},
#endif
  };
#ifndef _WIN32
  ASSERT_EQ(mkfifo((dir.path() / "pipe.cr2").c_str(), 0600), 0);
#endif
  for (const auto& kind : kinds) {
    camerafile::TDataFile file;
    EXPECT_EQ(file.Open(testfile::NameOf(kind.path)), kind.opens) << kind.path;
    EXPECT_EQ(file.IsOpen(), kind.opens) << kind.path;
    if (kind.opens) {
      EXPECT_EQ(file.Size(), 3) << kind.path;
    }
  }
  fs::permissions(read_only, fs::perms::owner_write, fs::perm_options::add);
}

TEST(Opener, WindowsNamesTakeTheirExtendedLengthForm) {
  const std::wstring deep = L"Fotos\\" + std::wstring(300, L'x') + L".cr2";
  struct {
    std::wstring full, opened;
  } const names[] = {
      {L"C:\\" + deep, L"\\\\?\\C:\\" + deep},
      {L"\\\\nas\\share\\" + deep, L"\\\\?\\UNC\\nas\\share\\" + deep},
      {L"\\\\?\\C:\\" + deep, L"\\\\?\\C:\\" + deep},
      {L"\\\\?\\UNC\\nas\\share\\a.jpg", L"\\\\?\\UNC\\nas\\share\\a.jpg"},
      {L"\\\\.\\NUL", L""},
      {L"\\\\.\\COM1", L""},
  };
  for (const auto& name : names) {
    EXPECT_TRUE(camerafile::ExtendedLengthName(name.full) == name.opened);
  }
}

TEST(Wrap, Low32BitsAsTwosComplement) {
  EXPECT_EQ(camerafile::WrapToInt32(0x80000000u), INT32_MIN);
  EXPECT_EQ(camerafile::WrapToInt32(0xFFFFFFFFu), -1);
  EXPECT_EQ(camerafile::WrapToInt32(0x7FFFFFFFu), INT32_MAX);
  EXPECT_EQ(camerafile::WrapToInt32(0x100000005ull), 5);
}

}  // namespace
