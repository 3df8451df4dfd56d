// The maker note is read by the rules of the maker that wrote the file:
// its signature, else the Make, says whose; Nikon's, Pentax's and Sony's
// notes give their counts and serial numbers, and no maker's note gives
// another maker's fields.
#include "camerafile/makers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"
#include "tests/maker_fields.h"

namespace {

using namespace testfile;

// One directory with what each maker's rules would take from it, so that
// the results show whose rules read it: Canon's strings, serial and
// counter words (777); Nikon's count 1111; Pentax's count 2222 with its
// date and time; Sony's record with 3333 where an ILCE-1 keeps it.
constexpr std::uint32_t kDate = 0x07D80302;  // 2008-03-02
constexpr std::uint32_t kTime = 0x0C011700;  // 12:01:23
std::vector<Field> EveryMakersTags(Order order) {
  Bytes words(order);
  words.Words({18, 0, 777, 0, 0, 0, 0, 0, 0});
  return {
      AsciiField(kTagModel, "Canon-Kamera"),
      AsciiField(kTagFirmware, "Canon-Firmware"),
      {kTagSerial, kLong, 1, 4242},
      {kTagCounter, kShort, 9, 0, words.data()},
      {kNikonCount, kLong, 1, 1111},
      AsciiField(kNikonSerial, "N-7654321"),
      InEntry(kPentaxDate, BigEndianBytes(kDate)),
      InEntry(kPentaxTime, {0x0C, 0x01, 0x17}),
      PentaxScrambled(2222, kDate, kTime),
      AsciiField(kPentaxSerial, "P-1234567"),
      {kSonyRecord, kUndefined, 0x40, 0, SonyRecord(0x40, {{0x3A, 3333}})},
  };
}

Bytes Text(const std::string& text) {
  return Bytes().Text(text);
}
Bytes Marks(Order order) {
  return Text(order == Order::kLittle ? "II" : "MM");
}

struct Lines {
  std::string model;
  std::string firmware;
  std::string serial;
  std::int32_t count;
};
const Lines kReadAsCanon = {"Canon-Kamera", "Canon-Firmware", "4242", 777};
const Lines kReadAsNikon = {"ILCE-1", "----------", "N-7654321", 1111};
const Lines kReadAsPentax = {"ILCE-1", "----------", "P-1234567", 2222};
const Lines kReadAsSony = {"ILCE-1", "----------", "0", 3333};
const Lines kNotRead = {"ILCE-1", "----------", "0", 0};

class Makers : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  Order order() const { return GetParam(); }
  Lines LinesOf(const MakerFile& maker_file) {
    const camerafile::TCanonFile& file = Analyse(MakerTiff(order(), maker_file));
    return {file.GetModel(), file.GetFirmware(), file.GetSerialText(), file.GetShutterCount()};
  }
  // The note's header, then EveryMakersTags with offsets from `origin`.
  Bytes Note(const Bytes& header, std::int32_t origin) const {
    return MakerNote(order(), header, EveryMakersTags(order()), origin);
  }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, Makers, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

void ExpectLines(const Lines& shown, const Lines& want, const std::string& what) {
  EXPECT_EQ(shown.model, want.model) << what;
  EXPECT_EQ(shown.firmware, want.firmware) << what;
  EXPECT_EQ(shown.serial, want.serial) << what;
  EXPECT_EQ(shown.count, want.count) << what;
}

TEST_P(Makers, SignatureElseMakeSaysWhoseRulesReadTheNote) {
  const Bytes nikon = NikonNote(order(), EveryMakersTags(order()));
  const Bytes aoc = Note(Text("AOC").U8(0).Append(Marks(order())), kMakerNoteAt);
  const Bytes pentax = Note(Text("PENTAX ").U8(0).Append(Marks(order())), 0);
  const Bytes sony_dsc = Note(Text("SONY DSC ").Zeros(3), kMakerNoteAt);
  const Bytes headerless = Note(Bytes(), kMakerNoteAt);
  struct {
    const char* what;
    std::string make;
    Bytes note;
    std::optional<std::uint32_t> note_size;
    const Lines& lines;
  } const cases[] = {
      // A signature wins over the Make, or its absence.
      {"Nikon with a TIFF header of its own", "", nikon, {}, kReadAsNikon},
      {"an old Coolpix note",
       "NIKON",
       Text("Nikon").Raw({0, 1, 0}).Append(headerless),
       {},
       kNotRead},
      {"Pentax AOC", "", aoc, {}, kReadAsPentax},
      {"Pentax AOC, another Make", "Panasonic", aoc, {}, kReadAsPentax},
      {"PENTAX", "", pentax, {}, kReadAsPentax},
      {"SONY DSC", "", sony_dsc, {}, kReadAsSony},
      {"SONY CAM", "", Note(Text("SONY CAM ").Zeros(3), kMakerNoteAt), {}, kReadAsSony},
      {"SONY MOBILE", "", Note(Text("SONY MOBILE").U8(0), kMakerNoteAt), {}, kReadAsSony},
      // No signature: the Make.
      {"Make NIKON", "NIKON CORPORATION", headerless, {}, kReadAsNikon},
      {"Make Nikon, in any case", "Nikon", headerless, {}, kReadAsNikon},
      {"Make SONY", "SONY", headerless, {}, kReadAsSony},
      {"Make Sony: a phone's", "Sony", headerless, {}, kNotRead},
      {"Make SONY, a note of 01 00", "SONY", Bytes().U8(1).U8(0).Append(headerless), {}, kNotRead},
      {"Make Canon", "Canon", headerless, {}, kReadAsCanon},
      {"no Make", "", headerless, {}, kReadAsCanon},
      {"another maker", "Panasonic", headerless, {}, kNotRead},
      // Known, and read for nothing: no number of theirs is the body's.
      {"Fujifilm",
       "FUJIFILM",
       MakerNote(Order::kLittle, Text("FUJIFILM").SetOrder(Order::kLittle).U32(12),
                 EveryMakersTags(Order::kLittle), 0),
       {},
       kNotRead},
      {"Panasonic", "Panasonic", Note(Text("Panasonic").Zeros(3), kMakerNoteAt), {}, kNotRead},
      {"another maker", "Apple", headerless, {}, kNotRead},
      // A note too short for its header: its maker's, and nothing read.
      {"Nikon's header cut", "", nikon, 17, kNotRead},
      {"AOC's header cut", "", aoc, 5, kNotRead},
      {"PENTAX's header cut", "", pentax, 9, kNotRead},
      {"SONY DSC's signature cut", "SONY", sony_dsc, 11, kNotRead},
      {"a directory one byte past the note", "NIKON", headerless, 2 + 12 * 11 - 1, kNotRead},
      {"a directory just inside", "NIKON", headerless, 2 + 12 * 11, kReadAsNikon},
  };
  for (const auto& c : cases) {
    ExpectLines(LinesOf({c.make, "ILCE-1", c.note, {}, {}, c.note_size}), c.lines,
                std::string(c.what) + " (" + c.make + ")");
  }
}

TEST_P(Makers, SonyNoteBeginning01_00IsNoDirectoryOfOurs) {
  // So begins a one-entry directory in little-endian order.
  const std::vector<std::uint8_t> record = SonyRecord(0x40, {{0x3A, 300}});
  const Bytes note =
      MakerNote(order(), Bytes(), {{kSonyRecord, kUndefined, 0x40, 0, record}}, kMakerNoteAt);
  EXPECT_EQ(LinesOf({"SONY", "ILCE-1", note}).count, order() == Order::kBig ? 300 : 0);
}

TEST_P(Makers, CanonTagsInTheMainDirectoryCountOnlyInCanonFiles) {
  const std::vector<Field> main = {AsciiField(kTagModel, "Haupt-Kamera"),
                                   {kTagSerial, kLong, 1, 99}};
  const Bytes note = Note(Bytes(), kMakerNoteAt);
  ExpectLines(LinesOf({"Canon", "", Bytes(), main}), {"Haupt-Kamera", "----------", "99", 0},
              "Canon, no maker note");
  ExpectLines(LinesOf({"Apple", "iPhone XR", note, main}), {"iPhone XR", "----------", "0", 0},
              "another maker");
  ExpectLines(LinesOf({"Apple", "", note, main}), {"----------", "----------", "0", 0},
              "another maker, no Model");
}

TEST_P(Makers, NikonNoteInEitherByteOrderInAFileOfEither) {
  for (const Order note_order : {Order::kBig, Order::kLittle}) {
    const std::vector<Field> fields = {{kNikonCount, kLong, 1, 526},
                                       AsciiField(kNikonSerial, "12345678")};
    const Lines shown = LinesOf({"NIKON CORPORATION", "NIKON D70", NikonNote(note_order, fields)});
    ExpectLines(shown, {"NIKON D70", "----------", "12345678", 526}, "Nikon");
  }
}

TEST_P(Makers, NikonCountAndSerialTakeOnlyTheirOwnForms) {
  const std::string old_serial = "NO= 20025585        ";
  struct {
    const char* what;
    std::vector<Field> fields;
    std::string serial;
    std::int32_t count;
  } const cases[] = {
      {"the count, electronic releases included",
       {{kNikonCount, kLong, 1, 0x7FFFFFFF}},
       "0",
       0x7FFFFFFF},
      {"\"not available\"", {{kNikonCount, kLong, 1, 0xFFFFF7FFu}}, "0", 0},
      {"a count of another type", {{kNikonCount, kShort, 1, 526}}, "0", 0},
      {"a count of two values", {{kNikonCount, kLong, 2, 526}}, "0", 0},
      {"the old serial tag, blanks kept", {AsciiField(kNikonOldSerial, old_serial)}, old_serial, 0},
      {"0x00A0 wherever it stands",
       {AsciiField(kNikonOldSerial, old_serial), AsciiField(kNikonSerial, "3001234")},
       old_serial,
       0},
      {"0x001D where 0x00A0 is not", {AsciiField(kNikonSerial, "3001234")}, "3001234", 0},
      {"a blank 0x00A0: none, not 0x001D (the D50's model name)",
       {AsciiField(kNikonSerial, "D50    "), AsciiField(kNikonOldSerial, std::string(20, ' '))},
       "0",
       0},
      {"an empty 0x001D",
       {{kNikonSerial, kAscii, 8, 0, std::vector<std::uint8_t>(8, 0)},
        AsciiField(kNikonOldSerial, "NO= 1")},
       "NO= 1",
       0},
  };
  for (const auto& c : cases) {
    const Lines shown =
        LinesOf({"NIKON", "D2H", MakerNote(order(), Bytes(), c.fields, kMakerNoteAt)});
    EXPECT_EQ(shown.serial, c.serial) << c.what;
    EXPECT_EQ(shown.count, c.count) << c.what;
  }
}

TEST_P(Makers, PentaxCountIsUnscrambledWithTheDateAndTime) {
  // A K10D's three entries, as they stand in its file: 1648.
  const Field date = InEntry(kPentaxDate, {0x07, 0xD8, 0x03, 0x02});
  const Field time = InEntry(kPentaxTime, {0x0C, 0x01, 0x17});
  const Field count = InEntry(kPentaxCount, {0xF4, 0x26, 0xED, 0x8D});
  const Field time_of_four = InEntry(kPentaxTime, {0x0C, 0x01, 0x17, 0x05});
  struct {
    const char* what;
    std::vector<Field> fields;
    std::int32_t count;
  } const cases[] = {
      {"all three", {date, time, count}, 1648},
      {"a time of four bytes",
       {date, time_of_four, PentaxScrambled(1648, kDate, 0x0C011705)},
       1648},
      {"a time of three bytes, a stray fourth in the entry",
       {date, {kPentaxTime, kUndefined, 3, 0, {0x0C, 0x01, 0x17, 0x99}, -1, true}, count},
       1648},
      {"no count", {date, time}, 0},
      {"no date", {time, count}, 0},
      {"no time", {date, count}, 0},
      {"a count of three bytes", {date, time, InEntry(kPentaxCount, {0xF4, 0x26, 0xED})}, 0},
      {"a date of ASCII", {AsciiField(kPentaxDate, "2008"), time, count}, 0},
      {"a time of two bytes", {date, InEntry(kPentaxTime, {0x0C, 0x01}), count}, 0},
  };
  for (const auto& c : cases) {
    Bytes note =
        MakerNote(order(), Text("AOC").U8(0).Append(Marks(order())), c.fields, kMakerNoteAt);
    EXPECT_EQ(LinesOf({"PENTAX Corporation", "PENTAX K10D", note}).count, c.count) << c.what;
  }
}

TEST_P(Makers, NoteDirectoryWithoutItsByteOrderMarkIsReadInTheOtherOrder) {
  // Written back "MM" (or "II") with the numbers in the other order, as
  // some programs do: three entries read the wrong way round are 768.
  const Order other = order() == Order::kBig ? Order::kLittle : Order::kBig;
  const Field filler{0x0001, kShort, 1, 0};
  const std::vector<Field> fields = {filler, filler, AsciiField(kPentaxSerial, "4321234")};
  const Bytes note =
      MakerNote(other, Text("AOC").U8(0).Append(Marks(order())), fields, kMakerNoteAt);
  EXPECT_EQ(LinesOf({"PENTAX", "K-5", note}).serial, "4321234");
  const Bytes headerless =
      MakerNote(other, Bytes(), {filler, filler, {kNikonCount, kLong, 1, 77}}, kMakerNoteAt);
  EXPECT_EQ(LinesOf({"NIKON", "E990", headerless}).count, 77);
  // Two entries read the wrong way round are 512, a count a note may have.
  const Bytes two = MakerNote(other, Bytes(), {filler, {kNikonCount, kLong, 1, 77}}, kMakerNoteAt);
  EXPECT_EQ(LinesOf({"NIKON", "E990", two}).count, 0);
}

TEST_P(Makers, OwnerAndSerialOfAnotherMakersFile) {
  const Field owner = AsciiField(kTagOwnerName, "Erika Mustermann");
  const Field artist = AsciiField(kTagArtist, "Max Mustermann");
  const Field body_serial = AsciiField(kTagBodySerial, "0012345");
  const Bytes nikon = NikonNote(order(), {AsciiField(kNikonSerial, "3001234")});
  const auto owner_of = [&](std::vector<Field> main, std::vector<Field> exif) {
    Analyse(MakerTiff(order(), {"NIKON", "NIKON Z 6", Bytes(), std::move(main), std::move(exif)}));
    return file_.GetOwner();
  };
  EXPECT_EQ(owner_of({artist}, {owner}), "Erika Mustermann");
  EXPECT_EQ(owner_of({artist}, {AsciiField(kTagOwnerName, "")}), "Max Mustermann")
      << "an empty owner counts as none";
  EXPECT_EQ(owner_of({}, {}), "----------");
  EXPECT_EQ(owner_of({}, {artist}), "----------") << "Artist counts in the main directories";

  EXPECT_EQ(LinesOf({"NIKON", "Z 6", nikon, {}, {body_serial}}).serial, "3001234");
  EXPECT_EQ(LinesOf({"NIKON", "Z 6", Bytes(), {}, {body_serial}}).serial, "0012345");
  EXPECT_EQ(LinesOf({"FUJIFILM", "X-T4", Bytes(), {}, {body_serial}}).serial, "0012345");
}

TEST(SonyCipher, EveryByteComesBackAndOnlyTheKnownOnesStandForThemselves) {
  const std::vector<std::uint32_t> fixed = {0,   1,   82,  83,  84,  165, 166, 167,
                                            248, 249, 250, 251, 252, 253, 254, 255};
  for (std::uint32_t b = 0; b < 256; ++b) {
    const auto stored = static_cast<std::uint8_t>(b);
    EXPECT_EQ(camerafile::DecipherSonyByte(Encipher(b)), b);
    const bool is_fixed = std::find(fixed.begin(), fixed.end(), b) != fixed.end();
    EXPECT_EQ(camerafile::DecipherSonyByte(stored) == stored, is_fixed) << b;
  }
}

// A Sony note holding a 0x9050 record of `size` bytes with 100 at byte
// 0x0A, 200 at 0x32 and 300 at 0x3A.
Bytes SonyNote(Order order, std::size_t size, bool zero_lead = true) {
  const std::vector<std::uint8_t> record =
      SonyRecord(size, {{0x0A, 100}, {0x32, 200}, {0x3A, 300}}, zero_lead);
  const auto count = static_cast<std::uint32_t>(size);
  return MakerNote(order, Text("SONY DSC ").Zeros(3), {{kSonyRecord, kUndefined, count, 0, record}},
                   kMakerNoteAt);
}

TEST_P(Makers, SonyModelSaysWhereItsCountStands) {
  struct {
    const char* model;
    bool zero_lead;
    std::int32_t count;
  } const cases[] = {
      // Layout a: bytes 0x32 to 0x35.
      {"SLT-A77V", false, 200},
      {"NEX-5N", true, 200},
      {"ILCE-7", true, 200},
      {"ILCE-7S", true, 200},
      {"ILCE-6000", true, 200},
      {"ILCA-77M2", true, 200},
      {"ILCE-7R", true, 0},  // its counter wraps at 65,536
      // Layouts b and c: 0x3A to 0x3D.
      {"ILCE-7RM2", true, 300},
      {"ILCE-6400A", true, 300},
      {"ILCE-9M2", true, 300},
      {"ZV-E10", true, 300},
      {"ILCA-99M2", true, 300},
      {"ILCE-1", true, 300},
      {"ILCE-7M4", false, 300},
      {"ILME-FX3", true, 300},
      // Layout d: 0x0A to 0x0D, on some bodies only.
      {"ILCE-6700", false, 100},
      {"ILCE-7CM2", true, 100},
      {"ILCE-7CR", true, 100},
      {"ILME-FX2", true, 100},
      {"ZV-E1", true, 0},
      {"ZV-E10M2", true, 0},
      {"ILCE-1M2", true, 100},
      {"ILCE-1M2", false, 0},
      {"ILCE-7M5", true, 100},
      {"ILCE-7M5", false, 0},
      // None: compacts, A-mount DSLRs, a model no pattern knows, none at all.
      {"DSC-RX100M7", true, 0},
      {"DSLR-A900", true, 0},
      {"ILCE-7CX", true, 0},
      {"", true, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinesOf({"SONY", c.model, SonyNote(order(), 0x40, c.zero_lead)}).count, c.count)
        << c.model << (c.zero_lead ? " (zero lead)" : "");
  }
}

TEST_P(Makers, SonyCountIsTheLow24BitsOfARecordThatHoldsThemAll) {
  const auto count_of = [&](const std::string& model, std::size_t size, std::uint32_t value) {
    const std::vector<std::uint8_t> record = SonyRecord(size, {{0x32, value}, {0x3A, value}});
    const Field field{kSonyRecord, kUndefined, static_cast<std::uint32_t>(size), 0, record};
    // Two entries: a note beginning 01 00 is none of ours.
    const Field filler{0x0001, kShort, 1, 0};
    return LinesOf({"SONY", model, MakerNote(order(), Bytes(), {filler, field}, kMakerNoteAt)})
        .count;
  };
  EXPECT_EQ(count_of("ILCE-1", 0x40, 0x12345678), 0x345678);
  EXPECT_EQ(count_of("ILCE-1", 0x3D, 361), 0) << "a record one byte short";
  EXPECT_EQ(count_of("ILCE-1", 0x3E, 361), 361);
  EXPECT_EQ(count_of("NEX-7", 0x35, 361), 0) << "a record one byte short";
  EXPECT_EQ(count_of("NEX-7", 0x36, 361), 361);
}

TEST_P(Makers, SonyRecordOutsideTheNoteOrTheFileGivesNoCount) {
  const Bytes note = SonyNote(order(), 0x40);
  const auto size = static_cast<std::uint32_t>(note.size());
  EXPECT_EQ(LinesOf({"SONY", "ILCE-1", note, {}, {}, size}).count, 300);
  EXPECT_EQ(LinesOf({"SONY", "ILCE-1", note, {}, {}, size - 1}).count, 0);
  // The record's offset past the end of the file.
  Bytes past = note;
  past.PutU32At(12 + 2 + 8, 0xFFFFFF00u);
  EXPECT_EQ(LinesOf({"SONY", "ILCE-1", past}).count, 0);
}

}  // namespace
