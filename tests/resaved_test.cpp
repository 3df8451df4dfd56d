// Files as programs leave them: an Exif segment after other segments, a
// Canon note left in its own byte order and moved without its offsets, a
// Pentax note moved likewise, serial texts that are no serial numbers,
// short texts in their entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"
#include "tests/maker_fields.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

class Resaved : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  Order order() const { return GetParam(); }
  Order other() const { return order() == Order::kBig ? Order::kLittle : Order::kBig; }
  // Analyses the file and returns the header error line Analyse wrote, if any.
  std::string HeaderLine(const Bytes& bytes) {
    std::FILE* sink = std::tmpfile();
    file_.Messages = sink;
    Analyse(bytes);
    file_.Messages = nullptr;
    std::string line(128, '\0');
    std::rewind(sink);
    line.resize(std::fread(line.data(), 1, line.size(), sink));
    std::fclose(sink);
    return line;
  }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, Resaved, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

const std::string kByteOrderLine = "Fehler im TIFF-HEADER des jpg, ByteOrder !\n";
const std::string kMagicLine = "Fehler im TIFF-HEADER des jpg, TifKennung !\n";

Segment App(std::uint16_t n, const std::string& text) {
  return {static_cast<std::uint16_t>(0xFFE0 + n), Bytes().Text(text).Zeros(10)};
}

TEST_P(Resaved, ExifSegmentIsFoundWhereverTheSegmentsBeforeItPutIt) {
  const Bytes tiff = CanonTiff(order());
  const Segment comment{0xFFFE, Bytes().Text("Bearbeitet")};
  const Segment xmp = App(1, std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta>");
  const std::vector<Segment> comments(31, comment);
  struct {
    const char* what;
    Bytes bytes;
    std::string line;      // the header error line, if any
    std::int64_t tiff_at;  // where the TIFF header was found; 0: nowhere
  } const cases[] = {
      {"APP1 first", Jpeg(tiff, false), "", 12},
      {"APP0 first", Jpeg(tiff, true), "", 30},
      {"a second APP0", JpegAfter({App(0, "JFIF"), App(0, "JFXX")}, tiff), "", 2 + 2 * 18 + 10},
      {"an ICC profile's APP2", JpegAfter({App(2, "ICC_PROFILE")}, tiff), "", 2 + 25 + 10},
      {"Photoshop's APP13", JpegAfter({App(13, "Photoshop 3.0")}, tiff), "", 2 + 27 + 10},
      {"a camera's APP5 and a comment", JpegAfter({App(5, "APP5"), comment}, tiff), "",
       2 + 18 + 14 + 10},
      {"XMP's APP1 before Exif's", JpegAfter({xmp}, tiff), "", 2 + 4 + 40 + 10 + 10},
      {"31 comments", JpegAfter(comments, tiff), "", 2 + 31 * 14 + 10},
      // Beyond 32 segments, or past another kind of segment, it is not looked for.
      {"32 comments", JpegAfter(std::vector<Segment>(32, comment), tiff), kByteOrderLine, 0},
      {"a quantisation table first", JpegAfter({{0xFFDB, Bytes().Zeros(64)}}, tiff), kByteOrderLine,
       0},
      {"no Exif at all", JpegAfter({App(0, "JFIF")}, Bytes()).PadTo(200), kByteOrderLine, 0},
      // Found, then checked as ever.
      {"an Exif APP1 of 7 bytes", JpegAfter({{0xFFE1, Bytes().Text("Exif").Zeros(1)}}, tiff), "",
       2 + 9 + 10},
      {"found, its 42 wrong", JpegAfter({App(2, "ICC")}, Bytes(order()).Text("MMII").U32(8)),
       kMagicLine, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderLine(c.bytes), c.line) << c.what;
    const bool read = c.tiff_at != 0;
    EXPECT_TRUE(file_.IsValid()) << c.what;
    EXPECT_EQ(file_.GetModel(), read ? "Canon EOS-1D Mark II" : "----------") << c.what;
    EXPECT_EQ(file_.GetShutterCount(), read ? 135393 : 0) << c.what;
    if (read) {
      EXPECT_EQ(file_.TiffBase, c.tiff_at) << c.what;
    }
  }
}

constexpr std::uint32_t kEos1DMarkII = 0x80000174;
constexpr std::uint32_t kEosR5 = 0x80000421;
constexpr std::uint32_t kWrittenAt = 0x300;  // where the camera wrote the note

// A Canon note in `note_order`, its offsets counting from `origin` (where
// it stood when they were written), ending with a footer that says the
// camera wrote it at `footer_at`, in `footer_order`.
Bytes CanonNote(Order note_order, std::uint32_t model_id, std::uint32_t origin,
                std::optional<std::uint32_t> footer_at, Order footer_order) {
  Bytes words(note_order);
  words.Words({18, 2, 4321, 0, 0, 0, 0, 0, 0});
  Bytes info(note_order);
  info.PadTo(0x0AF1).U32(12260).PadTo(0x0B00);
  const std::vector<Field> fields = {
      AsciiField(0x0006, "Canon EOS 550D"), AsciiField(0x0007, "Firmware Version 1.0.8"),
      {0x000C, kLong, 1, 832314152},        {0x000D, kUndefined, 0x0B00, 0, info.data()},
      {0x0010, kLong, 1, model_id},         {0x0093, kShort, 9, 0, words.data()},
  };
  Bytes note = MakerNote(note_order, Bytes(), fields, static_cast<std::int32_t>(origin));
  if (footer_at) note.Append(CanonFooter(footer_order, *footer_at));
  return note;
}

TEST_P(Resaved, CanonNoteIsReadInItsOwnOrderAndFromWhereItWasMoved) {
  struct {
    const char* what;
    Order note_order;
    std::uint32_t origin;
    std::optional<std::uint32_t> footer_at;
    Order footer_order;
    bool found;  // the strings and records are found where the offsets say
  } const cases[] = {
      {"as the camera wrote it", order(), kMakerNoteAt, kMakerNoteAt, order(), true},
      {"without a footer", order(), kMakerNoteAt, std::nullopt, order(), true},
      {"left in the other order", other(), kMakerNoteAt, kMakerNoteAt, other(), true},
      {"moved", order(), kWrittenAt, kWrittenAt, order(), true},
      {"moved, in the other order", other(), kWrittenAt, kWrittenAt, other(), true},
      {"moved the other way", order(), 0x500, 0x500, order(), true},
      {"moved, offsets mended, footer not", order(), kMakerNoteAt, kWrittenAt, order(), true},
      {"moved, no footer", order(), kWrittenAt, std::nullopt, order(), false},
      {"moved, a footer of the other order", order(), kWrittenAt, kWrittenAt, other(), false},
  };
  for (const auto& c : cases) {
    for (const std::uint32_t model_id : {kEos1DMarkII, kEosR5}) {
      const std::string what = std::string(c.what) + (model_id == kEosR5 ? ", R5" : ", 1D");
      const TCanonFile& file = Analyse(MakerTiff(
          order(),
          {"Canon", "", CanonNote(c.note_order, model_id, c.origin, c.footer_at, c.footer_order)}));
      EXPECT_EQ(file.GetModel(), c.found ? "Canon EOS 550D" : "") << what;
      EXPECT_EQ(file.GetFirmware(), c.found ? "Firmware Version 1.0.8" : "") << what;
      EXPECT_EQ(file.GetSerialText(), "832314152") << what << ": in its entry";
      const std::int32_t count = model_id == kEosR5 ? 12260 : 2 * 65536 + 4321;
      EXPECT_EQ(file.GetShutterCount(), c.found ? count : 0) << what;
    }
  }
}

TEST_P(Resaved, FooterOnlyCountsInTheExifDirectorysNote) {
  // The same note as a maker note of the main directory's Make "Canon" and
  // no Exif note: read as the camera wrote it. And a note too short to hold
  // a footer and a directory is read without one.
  const Bytes moved = CanonNote(order(), kEos1DMarkII, kWrittenAt, kWrittenAt, order());
  EXPECT_EQ(Analyse(MakerTiff(order(), {"Canon", "", moved})).GetModel(), "Canon EOS 550D");
  Bytes tiny(order());
  tiny.U16(0).U32(0).Append(CanonFooter(order(), kWrittenAt));
  EXPECT_EQ(Analyse(MakerTiff(order(), {"Canon", "", tiny})).GetModel(), "----------");
}

// A Pentax note, its offsets counting from `origin`, holding a serial text.
Bytes PentaxNote(Order order, const std::string& header, std::int32_t origin) {
  const std::vector<Field> fields = {
      {0x0001, kShort, 1, 0},
      {0x0200, kShort, 4, 0, Bytes(order).Words({1, 2, 3, 4}).data()},
      AsciiField(kPentaxSerial, "3394452")};
  return MakerNote(order, Bytes().Text(header).Text(order == Order::kBig ? "MM" : "II"), fields,
                   origin);
}

TEST_P(Resaved, PentaxNoteMovedIsReadFromWhereItsFirstValueMustStand) {
  const std::string aoc("AOC\0", 4);
  const std::string pentax("PENTAX \0", 8);
  constexpr std::int32_t kAt = kMakerNoteAt;
  struct {
    const char* what;
    Bytes note;
    std::string serial;
  } const cases[] = {
      {"as the camera wrote it", PentaxNote(order(), aoc, kAt), "3394452"},
      {"moved back", PentaxNote(order(), aoc, kAt - 412), "3394452"},
      {"moved on", PentaxNote(order(), aoc, kAt + 4096), "3394452"},
      {"in the other order, moved", PentaxNote(other(), aoc, kAt - 412), "3394452"},
      // Offsets from the note's own start never need it.
      {"PENTAX, as written", PentaxNote(order(), pentax, 0), "3394452"},
      {"PENTAX, not from its start", PentaxNote(order(), pentax, 100), "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Analyse(MakerTiff(order(), {"PENTAX", "K-7", c.note})).GetSerialText(), c.serial)
        << c.what;
  }
}

TEST_P(Resaved, SerialTextsThatAreNoSerialNumbersGiveWayToTheNext) {
  const auto serial_of = [&](const std::string& maker_serial, const std::string& body_serial) {
    std::vector<Field> note;
    if (!maker_serial.empty()) note.push_back(AsciiField(kNikonSerial, maker_serial));
    std::vector<Field> exif;
    if (!body_serial.empty()) exif.push_back(AsciiField(0xA431, body_serial));
    const Bytes nikon = NikonNote(order(), note);
    return Analyse(MakerTiff(order(), {"NIKON", "Z 6", nikon, {}, exif})).GetSerialText();
  };
  struct {
    const char* what;
    std::string maker, body, shown;
  } const cases[] = {
      {"as it stands, trailing blanks kept", "3001234  ", "", "3001234  "},
      {"Latin-1 bytes pass", "N\xb0 3001234", "", "N\xb0 3001234"},
      {"line ends at the end dropped", "3001234\r\n", "", "3001234"},
      {"a line end inside: none", "300\n1234", "0012345", "0012345"},
      {"control bytes: the body serial", "\x10\x13i\x12", "0012345", "0012345"},
      {"DEL", "3001234\x7f", "", "0"},
      {"only blanks", "       ", "0012345", "0012345"},
      {"the body serial of binary bytes", "", "\x10\x13i\x12\x63", "0"},
      {"the body serial of blanks", "", "    ", "0"},
      {"the body serial's line end", "", "0012345\n", "0012345"},
  };
  for (const auto& c : cases) EXPECT_EQ(serial_of(c.maker, c.body), c.shown) << c.what;
}

TEST_P(Resaved, ShortTextsStandInTheirEntryAndNoTextReadsPastItsCount) {
  const Field model_in_entry = AsciiField(0x0110, "E-3");
  // Sixteen bytes without a zero byte, then another value right after.
  const Field model_unended{0x0110, kAscii, 16, 0, Bytes().Text("PENTAX K-7      X").data()};
  const Field artist = AsciiField(0x013B, "Ann");
  const Field owner = AsciiField(0xA430, "Bo");
  const auto lines = [&](std::vector<Field> main, std::vector<Field> exif, const Bytes& note) {
    const TCanonFile& file =
        Analyse(MakerTiff(order(), {"OLYMPUS", "", note, std::move(main), std::move(exif)}));
    return file.GetModel() + "|" + file.GetOwner();
  };
  EXPECT_EQ(lines({model_in_entry, artist}, {}, Bytes()), "E-3|Ann");
  EXPECT_EQ(lines({model_unended}, {owner}, Bytes()), "PENTAX K-7      |Bo");
  // A Make of four bytes or fewer names the maker from its entry.
  EXPECT_EQ(Analyse(MakerTiff(order(), {"HTC", "One", Bytes()})).GetModel(), "One")
      << "another maker";
  // A maker's serial of four bytes stands in the entry, of five at its offset.
  for (const std::string serial : {"123", "1234"}) {
    const Bytes note = NikonNote(order(), {AsciiField(kNikonOldSerial, serial)});
    EXPECT_EQ(Analyse(MakerTiff(order(), {"NIKON", "D70", note})).GetSerialText(), serial);
  }
}

}  // namespace
