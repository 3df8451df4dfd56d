// Every form of maker note the makers' table knows, placed through a built
// note: where its directory is, whose offsets it reads and in which order,
// and how many bytes its header takes; and a DNG's "MakN" record, mapped
// through its original offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "tests/analysed_file.h"

namespace {

using camerafile::FileOffset;
using camerafile::TByteOrder;
using camerafile::TNoteHolder;
using namespace testfile;

// Where the order comes from, and what the offsets count from.
enum class From { kPlace, kMarks, kInnerHeader, kLittle };
enum class Base { kTiff, kNote, kInnerHeader };

struct Form {
  const char* maker;
  std::string make;
  TNoteHolder holder;
  std::string begins;
  std::uint32_t header;  // the directory follows it
  From order;
  std::uint32_t marks_at;  // where the marks, the inner header or Fujifilm's pointer stand
  Base base;
};

const std::string kAnyMake = "Testmaker";
constexpr auto kExif = TNoteHolder::kExif;
constexpr auto kDng = TNoteHolder::kDngPrivate;
std::string Text0(const char* text, std::size_t size) {
  return std::string(text, size);
}

// The text the tests' directories hold, at an offset.
constexpr std::uint16_t kTextTag = 0x0002;
const std::string kPlacedRight = "placed right";

// The row's facts, as the makers' notes are written.
const Form kForms[] = {
    {"Canon", "Canon", kExif, "", 0, From::kPlace, 0, Base::kTiff},
    {"Canon", "", kExif, "", 0, From::kPlace, 0, Base::kTiff},
    {"Canon", "Canon", TNoteHolder::kCr3Box, "", 8, From::kInnerHeader, 0, Base::kInnerHeader},
    {"Nikon", kAnyMake, kExif, Text0("Nikon\0\x02\x10\0\0", 10), 18, From::kInnerHeader, 10,
     Base::kInnerHeader},
    {"Nikon", "NIKON CORPORATION", kExif, "", 0, From::kPlace, 0, Base::kTiff},
    {"Pentax", kAnyMake, kExif, Text0("AOC\0", 4), 6, From::kMarks, 4, Base::kTiff},
    {"Pentax", kAnyMake, kExif, Text0("PENTAX \0", 8), 10, From::kMarks, 8, Base::kNote},
    {"Pentax", kAnyMake, kDng, Text0("PENTAX \0", 8), 10, From::kPlace, 0, Base::kNote},
    {"Pentax", kAnyMake, kDng, Text0("SAMSUNG\0", 8), 10, From::kPlace, 0, Base::kNote},
    {"Ricoh", kAnyMake, kExif, Text0("RICOH\0", 6), 8, From::kMarks, 6, Base::kNote},
    {"Ricoh", kAnyMake, kDng, Text0("RICOH\0", 6), 8, From::kPlace, 0, Base::kNote},
    {"Sony", kAnyMake, kExif, Text0("SONY DSC \0\0\0", 12), 12, From::kPlace, 0, Base::kTiff},
    {"Sony", kAnyMake, kExif, Text0("SONY CAM \0\0\0", 12), 12, From::kPlace, 0, Base::kTiff},
    {"Sony", kAnyMake, kExif, Text0("SONY MOBILE\0", 12), 12, From::kPlace, 0, Base::kTiff},
    {"Sony", "SONY", kExif, "", 0, From::kPlace, 0, Base::kTiff},
    {"Olympus", kAnyMake, kExif, Text0("OLYMP\0", 6), 8, From::kPlace, 0, Base::kTiff},
    {"Olympus", kAnyMake, kExif, Text0("EPSON\0", 6), 8, From::kPlace, 0, Base::kTiff},
    {"Olympus", kAnyMake, kExif, Text0("OLYMPUS\0", 8), 12, From::kMarks, 8, Base::kNote},
    {"Olympus", kAnyMake, kExif, Text0("OM SYSTEM\0\0\0", 12), 16, From::kMarks, 12, Base::kNote},
    {"Sigma", "SIGMA", kExif, Text0("SIGMA\0\0\0", 8), 10, From::kPlace, 0, Base::kTiff},
    {"Sigma", "FOVEON", kExif, Text0("FOVEON\0\0", 8), 10, From::kPlace, 0, Base::kTiff},
    {"Kodak", "EASTMAN KODAK COMPANY", kExif, "", 0, From::kPlace, 0, Base::kTiff},
    {"Kodak", "KODAK", kExif, "", 0, From::kPlace, 0, Base::kTiff},
    {"Fujifilm", kAnyMake, kExif, "FUJIFILM", 12, From::kLittle, 8, Base::kNote},
    {"Panasonic", kAnyMake, kExif, Text0("Panasonic\0\0\0", 12), 12, From::kPlace, 0, Base::kTiff},
};

class NoteForms : public ::testing::TestWithParam<Order> {
 protected:
  Order order() const { return GetParam(); }
  TByteOrder ByteOrderOf(Order order) const {
    return order == Order::kLittle ? TByteOrder::kLittle : TByteOrder::kBig;
  }
  camerafile::TCanonFile& Open(const Bytes& bytes) {
    file_.Init(NameOf(dir_.Write("file", bytes)));
    file_.DataFile.Open(file_.FileName);
    file_.IntelOrder = order() == Order::kLittle ? 1 : 0;
    return file_;
  }
  // The text the directory's entry kTextTag holds, read as its maker's
  // reader would.
  std::string TextOf(const camerafile::TNoteDirectory& directory) {
    std::int32_t entries_left = 1000;
    const camerafile::TTagRule rules[] = {
        {kTextTag, camerafile::TypeBit(camerafile::kTypeAscii), 1, camerafile::kAnyCount}};
    const auto found = camerafile::FindNoteEntries(file_, directory, rules, entries_left);
    return found[0] ? camerafile::NoteText(file_, directory, *found[0]) : "";
  }

  TempDir dir_;
  camerafile::TCanonFile file_;
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, NoteForms, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

TEST_P(NoteForms, EachFormPlacesItsDirectoryReadsItsOrderAndCountsFromItsBase) {
  const Order other = order() == Order::kBig ? Order::kLittle : Order::kBig;
  for (const Form& form : kForms) {
    const std::string what = std::string(form.maker) + " \"" + form.begins.c_str() + "\"";
    // Where the order is the note's own, it is not the file's: the marks or
    // the header must say it. Two entries read 512 the other way round, a
    // count a note may have, so the entry-count rule cannot say it.
    const Order note_order = form.order == From::kPlace    ? order()
                             : form.order == From::kLittle ? Order::kLittle
                                                           : other;
    Bytes header(note_order);
    header.Text(form.begins);
    switch (form.order) {
      case From::kMarks:
        header.PadTo(form.marks_at).Text(note_order == Order::kLittle ? "II" : "MM");
        break;
      case From::kInnerHeader:
        header.PadTo(form.marks_at).Append(TiffHeader(note_order, form.header - form.marks_at));
        break;
      case From::kLittle:
        header.PadTo(form.marks_at).SetOrder(Order::kLittle).U32(form.header);
        break;
      case From::kPlace:
        break;
    }
    header.PadTo(form.header);
    const FileOffset base = form.base == Base::kTiff   ? 0
                            : form.base == Base::kNote ? kMakerNoteAt
                                                       : kMakerNoteAt + form.marks_at;
    const Bytes note =
        MakerNote(note_order, header, {{0x0100, kShort, 1, 0}, AsciiField(kTextTag, kPlacedRight)},
                  static_cast<std::int32_t>(kMakerNoteAt - base));
    camerafile::TCanonFile& file = Open(MakerTiff(order(), {form.make, "", note}));
    const auto size = static_cast<std::int64_t>(note.size());
    const auto place = [&](std::int64_t bytes) {
      return camerafile::TNotePlace{form.holder, kMakerNoteAt, bytes, ByteOrderOf(order()), 0};
    };

    const camerafile::TMakerNote found = camerafile::FindMakerNote(file, form.make, place(size));
    EXPECT_EQ(camerafile::MakerName(found.maker), form.maker) << what;
    ASSERT_TRUE(found.directory.has_value()) << what;
    EXPECT_EQ(found.directory->at, kMakerNoteAt + form.header) << what;
    EXPECT_EQ(found.directory->base, base) << what;
    EXPECT_EQ(found.directory->order, ByteOrderOf(note_order)) << what;
    EXPECT_EQ(TextOf(*found.directory), kPlacedRight) << what;

    // A note of its header's bytes alone is placed; one byte shorter holds
    // no directory there.
    const auto exact = camerafile::FindMakerNote(file, form.make, place(form.header));
    EXPECT_TRUE(exact.directory && exact.directory->at == kMakerNoteAt + form.header) << what;
    if (form.header > 0) {
      const auto cut = camerafile::FindMakerNote(file, form.make, place(form.header - 1));
      EXPECT_FALSE(cut.directory && cut.directory->at == kMakerNoteAt + form.header) << what;
    }
  }
}

TEST_P(NoteForms, FujifilmNotesAreLittleEndianWhateverTheirEntryCountSays) {
  // 513 entries: 0x0201, which reads 258 big-endian.
  std::vector<Field> fields(512, Field{0x0100, kShort, 1, 0});
  fields.push_back(AsciiField(kTextTag, kPlacedRight));
  Bytes header(Order::kLittle);
  header.Text("FUJIFILM").U32(12);
  const Bytes note = MakerNote(Order::kLittle, header, fields, 0);
  camerafile::TCanonFile& file = Open(MakerTiff(order(), {"FUJIFILM", "X-T4", note}));
  const auto found = camerafile::FindMakerNote(
      file, "FUJIFILM",
      {kExif, kMakerNoteAt, static_cast<std::int64_t>(note.size()), ByteOrderOf(order()), 0});
  ASSERT_TRUE(found.directory.has_value());
  EXPECT_EQ(found.directory->order, TByteOrder::kLittle);
  EXPECT_EQ(TextOf(*found.directory), kPlacedRight);
}

TEST_P(NoteForms, DngMakerNoteRecordIsMappedThroughItsOriginalOffset) {
  constexpr std::uint32_t kOriginal = 0x2BC;
  for (const Order note_order : {Order::kBig, Order::kLittle}) {
    for (const bool long_header : {false, true}) {
      const Bytes note = MakerNote(note_order, Bytes(),
                                   {{0x0100, kShort, 1, 0}, AsciiField(kTextTag, kPlacedRight)},
                                   static_cast<std::int32_t>(kOriginal));
      const Bytes data =
          AdobePrivateData({{"MakN", MakerNoteRecord(note_order, kOriginal, note, long_header)}});
      const Bytes tiff = MakerTiff(order(), {"Canon", "", Bytes(), {DngPrivateData(data)}});
      const auto& bytes = tiff.data();
      const auto adobe =
          std::search(bytes.begin(), bytes.end(), data.data().begin(), data.data().end()) -
          bytes.begin();
      const FileOffset record = adobe + 6 + 8;  // "Adobe" 00, type and size
      const FileOffset at = record + (long_header ? 18 : 6);
      camerafile::TCanonFile& file = Open(tiff);
      const auto found =
          camerafile::FindDngNote(file, "Canon", adobe, static_cast<std::int64_t>(data.size()));
      const std::string what = std::string(long_header ? "long" : "short") + " header, " +
                               (note_order == Order::kLittle ? "II" : "MM");
      ASSERT_TRUE(found && found->directory) << what;
      EXPECT_EQ(camerafile::MakerName(found->maker), "Canon") << what;
      EXPECT_EQ(found->directory->at, at) << what;
      EXPECT_EQ(found->directory->base, at - kOriginal) << what;
      EXPECT_EQ(found->directory->order, ByteOrderOf(note_order)) << what;
      EXPECT_EQ(TextOf(*found->directory), kPlacedRight) << what;
    }
  }
  // A record of exactly the longer header: the note after it, of no bytes.
  const Bytes data =
      AdobePrivateData({{"MakN", Bytes(Order::kBig).Text("MM").U32(kOriginal).U32(1).Zeros(8)}});
  const Bytes tiff = MakerTiff(order(), {"Canon", "", Bytes(), {DngPrivateData(data)}});
  const auto& bytes = tiff.data();
  const auto adobe =
      std::search(bytes.begin(), bytes.end(), data.data().begin(), data.data().end()) -
      bytes.begin();
  camerafile::TCanonFile& file = Open(tiff);
  const auto found =
      camerafile::FindDngNote(file, "Canon", adobe, static_cast<std::int64_t>(data.size()));
  ASSERT_TRUE(found && found->directory);
  EXPECT_EQ(found->directory->at, adobe + 6 + 8 + 18);
}

}  // namespace
