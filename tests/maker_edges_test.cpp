// The edges of the maker-note rules, each through a built file: where a
// note's byte order comes from, which entries are of the right size, where
// a short text stands, where Sony's record and its lead are read, how far
// a model name must match, the entry-count rule and the entry cap at their
// edges, which directories name the maker, and what each count includes.
#include <gtest/gtest.h>

#include <string>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"
#include "tests/maker_fields.h"

namespace {

using camerafile::TCanonFile;
using camerafile::TCountIncludes;
using namespace testfile;

class MakerEdges : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  Order order() const { return GetParam(); }
  Order other() const { return order() == Order::kBig ? Order::kLittle : Order::kBig; }
  TCanonFile& Of(const MakerFile& maker_file) { return Analyse(MakerTiff(order(), maker_file)); }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, MakerEdges, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

Bytes Marks(Order order) {
  return Bytes().Text(order == Order::kLittle ? "II" : "MM");
}

constexpr std::uint32_t kDate = 0x07D80302;
constexpr std::uint32_t kTime = 0x0C011700;
const Field kPentaxDateField = InEntry(kPentaxDate, BigEndianBytes(kDate));
const Field kPentaxTimeField = InEntry(kPentaxTime, {0x0C, 0x01, 0x17});

TEST_P(MakerEdges, PentaxNotesAreReadInTheOrderTheirMarksSay) {
  // Two entries: the count reads 512 the other way, which the entry-count
  // rule leaves alone, so only the marks tell the order.
  const std::vector<Field> fields = {kPentaxDateField, AsciiField(kPentaxSerial, "4321234")};
  const Bytes aoc =
      MakerNote(other(), Bytes().Text("AOC").U8(0).Append(Marks(other())), fields, kMakerNoteAt);
  EXPECT_EQ(Of({"PENTAX", "K10D", aoc}).GetSerialText(), "4321234") << "AOC";
  const Bytes pentax =
      MakerNote(other(), Bytes().Text("PENTAX ").U8(0).Append(Marks(other())), fields, 0);
  EXPECT_EQ(Of({"PENTAX", "K-5", pentax}).GetSerialText(), "4321234") << "PENTAX";
}

TEST_P(MakerEdges, OldCoolpixNotesStayUnreadHoweverLarge) {
  // "Ni" read as an entry count is some 20,000 or 27,000; a note that large
  // holds such a directory, and its second entry is a Nikon count.
  Bytes note(order());
  note.Text("Nikon").Raw({0, 1}).PadTo(14);
  note.U16(0x00A7).U16(kLong).U32(1).U32(999);
  note.PadTo(2 + 12 * 27000);
  EXPECT_EQ(Of({"NIKON", "E990", note}).GetShutterCount(), 0);
}

TEST_P(MakerEdges, EntriesOfTheWrongSizeGiveNothing) {
  const auto nikon = [&](std::vector<Field> fields) {
    return Of({"NIKON", "D2H", NikonNote(order(), fields)}).GetShutterCount();
  };
  EXPECT_EQ(nikon({{kNikonCount, kLong, 1, 526}}), 526);
  EXPECT_EQ(nikon({{kNikonCount, kLong, 0, 526}}), 0) << "a count of no value";

  const auto pentax = [&](std::vector<Field> fields) {
    const Bytes header = Bytes().Text("AOC").U8(0).Append(Marks(order()));
    return Of({"PENTAX", "K10D", MakerNote(order(), header, fields, kMakerNoteAt)})
        .GetShutterCount();
  };
  const Field count = PentaxScrambled(1648, kDate, kTime);
  const auto five = [](std::uint16_t tag) {
    return Field{tag, kUndefined, 5, 0, {0x07, 0xD8, 0x03, 0x02, 0x00}};
  };
  EXPECT_EQ(pentax({kPentaxDateField, kPentaxTimeField, count}), 1648);
  EXPECT_EQ(pentax({kPentaxDateField, kPentaxTimeField, five(kPentaxCount)}), 0);
  EXPECT_EQ(pentax({five(kPentaxDate), kPentaxTimeField, count}), 0);
  EXPECT_EQ(pentax({kPentaxDateField, five(kPentaxTime), count}), 0);
  EXPECT_EQ(pentax({InEntry(kPentaxDate, {0x07, 0xD8, 0x03}), kPentaxTimeField, count}), 0)
      << "a date of three bytes";
}

TEST_P(MakerEdges, SerialTextsOfFourBytesStandInTheirEntryOfFiveAtTheirOffset) {
  const auto serial_of = [&](const char* make, std::uint16_t tag, const std::string& text) {
    const std::vector<Field> fields = {AsciiField(tag, text)};
    const Bytes note = std::string(make) == "NIKON"
                           ? NikonNote(order(), fields)
                           : MakerNote(order(), Bytes().Text("AOC").U8(0).Append(Marks(order())),
                                       fields, kMakerNoteAt);
    return Of({make, "X", note}).GetSerialText();
  };
  for (const auto& [make, tag] :
       {std::pair{"NIKON", kNikonSerial}, std::pair{"NIKON", kNikonOldSerial},
        std::pair{"PENTAX", kPentaxSerial}}) {
    EXPECT_EQ(serial_of(make, tag, "123"), "123") << make << " " << tag;
    EXPECT_EQ(serial_of(make, tag, "1234"), "1234") << make << " " << tag;
  }
}

// A Sony note whose 0x9050 record, 0x40 bytes, stands `at` bytes from the
// note's start (its offsets from the TIFF header), after `before` bytes of
// another value; 100 at byte 0x0A, 300 at 0x3A.
Bytes SonyNoteWithRecordAfter(Order order, std::size_t before, std::vector<std::uint8_t> lead) {
  std::vector<std::uint8_t> record = SonyRecord(0x40, {{0x0A, 100}, {0x3A, 300}}, false);
  for (std::size_t i = 0; i < lead.size(); ++i) record[i] = Encipher(lead[i]);
  std::vector<Field> fields;
  if (before > 0)
    fields.push_back({0x0001, kUndefined, static_cast<std::uint32_t>(before), 0,
                      std::vector<std::uint8_t>(before, 0)});
  fields.push_back({kSonyRecord, kUndefined, 0x40, 0, record});
  return MakerNote(order, Bytes().Text("SONY DSC ").Zeros(3), fields, kMakerNoteAt);
}

TEST_P(MakerEdges, SonyLeadIsFiveZeroBytesAtTheRecordItself) {
  const auto count_of = [&](std::vector<std::uint8_t> lead, std::size_t before) {
    return Of({"SONY", "ILCE-7M5", SonyNoteWithRecordAfter(order(), before, lead)})
        .GetShutterCount();
  };
  // The ILCE-7M5 keeps its count at byte 0x0A where the record begins with
  // five zero bytes, and none a Sony row knows of otherwise.
  EXPECT_EQ(count_of({0, 0, 0, 0, 0, 9}, 16), 100);
  EXPECT_EQ(count_of({0, 0, 0, 0, 0, 9}, 0), 100);
  EXPECT_EQ(count_of({0, 0, 0, 0, 9, 9}, 16), 0) << "four zero bytes";
  // The value before the record is all zero bytes.
  EXPECT_EQ(count_of({9, 9, 9, 9, 9, 9}, 16), 0);
}

TEST_P(MakerEdges, SonyRecordMayBeginAtTheNotesFirstByteButNotBefore) {
  // A record of 0x40 bytes at `offset`, the enciphered count 361 at the
  // note's byte `count_at`.
  const auto count_of = [&](std::uint32_t offset, std::size_t count_at) {
    Bytes note(order());
    note.Text("SONY DSC ").Zeros(3);
    AppendDirectory(note, {{0x0001, kShort, 1, 0}, {kSonyRecord, kUndefined, 0x40, offset}}, 0);
    std::vector<std::uint8_t> bytes = note.PadTo(0x48).data();
    const std::vector<std::uint8_t> stored = SonyRecord(0x40, {{0x3A, 361}});
    std::copy(stored.begin() + 0x3A, stored.begin() + 0x3E,
              bytes.begin() + static_cast<std::ptrdiff_t>(count_at));
    return Of({"SONY", "ILCE-1", Bytes(order()).Raw(bytes)}).GetShutterCount();
  };
  EXPECT_EQ(count_of(kMakerNoteAt, 0x3A), 361);
  EXPECT_EQ(count_of(kMakerNoteAt - 1, 0x39), 0);
}

TEST_P(MakerEdges, SonyModelNamesEndAsAWholeWord) {
  const std::vector<std::uint8_t> record = SonyRecord(0x40, {{0x32, 200}, {0x3A, 300}});
  const Bytes note = MakerNote(order(), Bytes().Text("SONY DSC ").Zeros(3),
                               {{kSonyRecord, kUndefined, 0x40, 0, record}}, kMakerNoteAt);
  const auto count_of = [&](const std::string& model) {
    return Of({"SONY", model, note}).GetShutterCount();
  };
  EXPECT_EQ(count_of("ILCE-1"), 300);
  EXPECT_EQ(count_of("ILCE-1-X"), 300) << "a hyphen ends the word";
  // Letters and digits at both ends of their ranges go on the word.
  for (const char* model :
       {"ILCE-1A", "ILCE-1a", "ILCE-10", "ILCE-1_", "ILCE-1Z", "ILCE-1z", "ILCE-19"}) {
    EXPECT_EQ(count_of(model), 0) << model;
  }
}

TEST_P(MakerEdges, EntryCountRuleAtItsEdge) {
  // 258 entries written the other way round read 513 in the note's order:
  // more than 512, so the other order is taken.
  std::vector<Field> fields(257, Field{0x0001, kShort, 1, 0});
  fields.push_back({kNikonCount, kLong, 1, 77});
  const Bytes note = MakerNote(other(), Bytes(), fields, kMakerNoteAt);
  const std::uint16_t count = order() == Order::kBig ? 0x0201 : 0x0102;
  ASSERT_EQ(note.data()[0] << 8 | note.data()[1], count);
  EXPECT_EQ(Of({"NIKON", "E990", note}).GetShutterCount(), 77);
}

TEST_P(MakerEdges, TheNoteGetsNoneOfAnEntryCapTheDirectoriesUsedUp) {
  // Make, Model, the fillers and the Exif pointer; the Exif directory's
  // maker-note entry; the note's one entry: the 2048th, or the 2049th.
  const auto count_with = [&](std::uint32_t fillers) {
    std::vector<Field> main = {AsciiField(0x010F, "NIKON"), AsciiField(0x0110, "Z 6")};
    main.insert(main.end(), fillers, Field{0x0001, kShort, 1, 0});
    main.push_back({0x8769, kLong, 1, 0, {}, 1});
    const Bytes note = NikonNote(order(), {{kNikonCount, kLong, 1, 77}});
    const std::vector<Field> exif = {
        {0x927C, kUndefined, static_cast<std::uint32_t>(note.size()), 0, note.data()}};
    return Analyse(TiffOf(order(), {main, exif})).GetShutterCount();
  };
  EXPECT_EQ(count_with(2048 - 3 - 1 - 1), 77);
  EXPECT_EQ(count_with(2048 - 3 - 1), 0);
}

TEST_P(MakerEdges, MakeAndModelCountInTheMainDirectoriesOnly) {
  const Bytes headerless = MakerNote(
      order(), Bytes(),
      {{0x0001, kShort, 1, 0}, {0x0002, kShort, 1, 0}, {kNikonCount, kLong, 1, 77}}, kMakerNoteAt);
  EXPECT_EQ(Of({"NIKON", "", headerless}).GetShutterCount(), 77);
  EXPECT_EQ(Of({"", "", headerless, {}, {AsciiField(0x010F, "NIKON")}}).GetShutterCount(), 0)
      << "no Make: Canon's rules";
  EXPECT_EQ(Of({"NIKON", "", headerless, {}, {AsciiField(0x0110, "D70")}}).GetModel(),
            "----------");
  // Four bytes or fewer stand in the entry and name the maker.
  const TCanonFile& htc = Of({"HTC", "One", headerless});
  EXPECT_EQ(htc.GetModel(), "One");
  EXPECT_EQ(htc.GetShutterCount(), 0);
}

TEST_P(MakerEdges, JpegOffsetsOfArtistAndOwnerCountFromTheTiffHeader) {
  const Bytes tiff =
      MakerTiff(order(), {"FUJIFILM", "X-T4", Bytes(), {AsciiField(0x013B, "Max Mustermann")}});
  EXPECT_EQ(Analyse(Jpeg(tiff, true)).GetOwner(), "Max Mustermann");
  const Bytes owned = MakerTiff(
      order(), {"FUJIFILM", "X-T4", Bytes(), {}, {AsciiField(0xA430, "Erika Mustermann")}});
  EXPECT_EQ(Analyse(Jpeg(owned, false)).GetOwner(), "Erika Mustermann");
}

TEST_P(MakerEdges, AnotherMakersFileWithoutANoteIsReadByItsMake) {
  const Bytes tiff = TiffOf(order(), {{AsciiField(0x010F, "FUJIFILM"), AsciiField(0x0110, "X-T4"),
                                       AsciiField(0x0006, "Canon-Kamera")}});
  const TCanonFile& file = Analyse(tiff);
  EXPECT_EQ(file.GetModel(), "X-T4");
  EXPECT_EQ(file.GetFirmware(), "----------");
}

TEST_P(MakerEdges, EachCountSaysWhatItIncludes) {
  const auto includes_of = [&](const MakerFile& maker_file) {
    const TCanonFile& file = Of(maker_file);
    EXPECT_NE(file.GetShutterCount(), 0) << maker_file.model;
    return file.CountIncludes;
  };
  const Bytes pentax = MakerNote(
      order(), Bytes().Text("AOC").U8(0).Append(Marks(order())),
      {kPentaxDateField, kPentaxTimeField, PentaxScrambled(1648, kDate, kTime)}, kMakerNoteAt);
  const auto sony = [&](bool zero_lead) {
    const std::vector<std::uint8_t> record =
        SonyRecord(0x40, {{0x0A, 100}, {0x32, 200}, {0x3A, 300}}, zero_lead);
    return MakerNote(order(), Bytes().Text("SONY DSC ").Zeros(3),
                     {{kSonyRecord, kUndefined, 0x40, 0, record}}, kMakerNoteAt);
  };
  std::vector<std::uint8_t> settings(19154, 0);
  settings[0x0846] = 242;
  const Bytes a230 =
      MakerNote(order(), Bytes().Text("SONY DSC ").Zeros(3),
                {{kSonyCameraSettings, kUndefined, 19154, 0, settings}}, kMakerNoteAt);
  struct {
    MakerFile file;
    TCountIncludes includes;
  } const cases[] = {
      {{"NIKON", "Z 6", NikonNote(order(), {{kNikonCount, kLong, 1, 77}})},
       TCountIncludes::kElectronicWhereFitted},
      {{"PENTAX", "K10D", pentax}, TCountIncludes::kNoLiveViewOrVideo},
      {{"SONY", "NEX-7", sony(false)}, TCountIncludes::kEveryPicture},     // layout a
      {{"SONY", "ILCE-7M3", sony(false)}, TCountIncludes::kEveryPicture},  // b
      {{"SONY", "ILCE-1", sony(false)}, TCountIncludes::kEveryPicture},    // c
      {{"SONY", "ILCE-6700", sony(false)}, TCountIncludes::kMechanicalOnly},
      {{"SONY", "ILCE-7M5", sony(true)}, TCountIncludes::kMechanicalOnly},
      {{"SONY", "DSLR-A230", a230}, TCountIncludes::kEveryPicture},
  };
  for (const auto& c : cases) EXPECT_EQ(includes_of(c.file), c.includes) << c.file.model;
  // Canon's follow the camera: the R5's electronic releases, the 1D's shutter.
  EXPECT_EQ(Analyse(CanonTiff(order(), EosR5Record())).CountIncludes,
            TCountIncludes::kElectronicToo);
  EXPECT_EQ(Analyse(CanonTiff(order())).CountIncludes, TCountIncludes::kShutterReleases);
}

TEST(SerialText, LineEndsGoAndControlBytesOrBlanksAloneMakeNone) {
  struct {
    std::string text;
    bool blanks_pad;
    std::string serial;
  } const cases[] = {
      {"B9U505495", false, "B9U505495"},
      {"B9U505495\r\n", false, "B9U505495"},
      {"NO= 20025585  ", false, "NO= 20025585  "},
      {"B9U505495   ", true, "B9U505495"},
      {"AB\x1F", false, ""},
      {std::string("AB\0C", 4), false, ""},
      {"A\x7F", false, ""},
      {"A \x20", false, "A  "},
      {"A~", false, "A~"},
      {"   ", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(camerafile::SerialTextOf(c.text, c.blanks_pad), c.serial) << c.text;
  }
}

}  // namespace
