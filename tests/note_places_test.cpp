// Where a maker note lives and whose it is: a DNG's private data (Adobe's
// record of the raw file's note, or the camera's own note), and the notes
// of Ricoh's GR, Olympus and OM System, Sigma, Sony's tag 0x0020 and
// Nikon's mechanical count.
#include <gtest/gtest.h>

#include <string>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"
#include "tests/maker_fields.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

struct Lines {
  std::string model, firmware, owner, serial;
  std::int32_t count;
};

class NotePlaces : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  Order order() const { return GetParam(); }
  Order other() const { return order() == Order::kBig ? Order::kLittle : Order::kBig; }
  Lines LinesOf(const MakerFile& maker_file) {
    const TCanonFile& file = Analyse(MakerTiff(order(), maker_file));
    return {file.GetModel(), file.GetFirmware(), file.GetOwner(), file.GetSerialText(),
            file.GetShutterCount()};
  }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, NotePlaces, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

void ExpectLines(const Lines& shown, const Lines& want, const std::string& what) {
  EXPECT_EQ(shown.model, want.model) << what;
  EXPECT_EQ(shown.firmware, want.firmware) << what;
  EXPECT_EQ(shown.owner, want.owner) << what;
  EXPECT_EQ(shown.serial, want.serial) << what;
  EXPECT_EQ(shown.count, want.count) << what;
}

Bytes Marks(Order order) {
  return Bytes().Text(order == Order::kLittle ? "II" : "MM");
}
Bytes Text(const std::string& text) {
  return Bytes().Text(text);
}

constexpr std::uint32_t kOriginal = 0x2BC;  // where the note stood in the raw file
constexpr std::uint32_t kDate = 0x07D80302;
constexpr std::uint32_t kTime = 0x0C011700;

// A Canon note whose offsets count from `origin`; a 1D Mark II's, so that
// the counter words (2 * 65536 + 4321) count.
Bytes CanonNote(Order order, std::uint32_t origin) {
  const std::vector<Field> fields = {
      AsciiField(0x0006, "Canon EOS 350D DIGITAL"),
      AsciiField(0x0007, "Firmware 1.0.2"),
      AsciiField(0x0009, "unknown"),
      {0x000C, kLong, 1, 12345678},
      {0x0010, kLong, 1, 0x80000174},
      {0x0093, kShort, 9, 0, Bytes(order).Words({18, 2, 4321, 0, 0, 0, 0, 0, 0}).data()},
  };
  return MakerNote(order, Bytes(), fields, static_cast<std::int32_t>(origin));
}
const Lines kCanon = {"Canon EOS 350D DIGITAL", "Firmware 1.0.2", "unknown", "12345678",
                      2 * 65536 + 4321};

std::vector<Field> PentaxFields(std::uint32_t count) {
  return {InEntry(kPentaxDate, BigEndianBytes(kDate)), InEntry(kPentaxTime, {0x0C, 0x01, 0x17}),
          PentaxScrambled(count, kDate, kTime), AsciiField(kPentaxSerial, "4826185")};
}
const Lines kPentax = {"K-3", "----------", "----------", "4826185", 4501};

TEST_P(NotePlaces, DngPrivateDataHoldsTheNoteThatCounts) {
  const auto makn = [&](Order note_order, const Bytes& note, bool long_header = false) {
    return AdobePrivateData({{"MakN", MakerNoteRecord(note_order, kOriginal, note, long_header)}});
  };
  const Bytes canon = makn(order(), CanonNote(order(), kOriginal));
  const Bytes pentax_fields_note =
      MakerNote(order(), Text("AOC").U8(0).Append(Marks(order())), PentaxFields(4501), kOriginal);
  const Bytes sony =
      MakerNote(order(), Text("SONY DSC ").Zeros(3),
                {{kSonyRecord, kUndefined, 0x40, 0, SonyRecord(0x40, {{0x3A, 361}})}}, kOriginal);
  const auto in_camera = [&](const std::string& header, Order note_order, Order marks) {
    return MakerNote(note_order, Text(header).Append(Marks(marks)), PentaxFields(4501), 0);
  };
  const Bytes nikon_exif = NikonNote(order(), {{kNikonCount, kLong, 1, 999}});
  struct {
    const char* what;
    std::string make, model;
    Bytes private_data;
    Bytes exif_note;
    Lines lines;
  } const cases[] = {
      {"Adobe's, Canon's note", "Canon", "", canon, Bytes(), kCanon},
      {"in the other byte order", "Canon", "", makn(other(), CanonNote(other(), kOriginal)),
       Bytes(), kCanon},
      {"behind the longer header", "Canon", "", makn(order(), CanonNote(order(), kOriginal), true),
       Bytes(), kCanon},
      {"after a record of odd size", "Canon", "",
       AdobePrivateData(
           {{"SR2 ", Bytes().Zeros(3)},
            {"MakN", MakerNoteRecord(order(), kOriginal, CanonNote(order(), kOriginal))}}),
       Bytes(), kCanon},
      {"a footer saying it moved: not in a DNG", "Canon", "",
       makn(order(), CanonNote(order(), kOriginal).Append(CanonFooter(order(), 0x100))), Bytes(),
       kCanon},
      {"a Nikon note, its own base",
       "NIKON",
       "D850",
       makn(order(), NikonNote(order(), {{kNikonCount, kLong, 1, 526}})),
       Bytes(),
       {"D850", "----------", "----------", "0", 526}},
      {"a Pentax AOC note", "PENTAX", "K-3", makn(order(), pentax_fields_note), Bytes(), kPentax},
      {"a Sony note",
       "SONY",
       "ILCE-1",
       makn(order(), sony),
       Bytes(),
       {"ILCE-1", "----------", "----------", "0", 361}},
      {"the camera's PENTAX note", "PENTAX", "K-3",
       in_camera(std::string("PENTAX \0", 8), order(), order()), Bytes(), kPentax},
      {"its marks saying the other order", "PENTAX", "K-3",
       in_camera(std::string("PENTAX \0", 8), order(), other()), Bytes(), kPentax},
      {"its directory in the other order", "PENTAX", "K-3",
       in_camera(std::string("PENTAX \0", 8), other(), other()), Bytes(), kPentax},
      {"the camera's SAMSUNG note", "SAMSUNG", "K-3",
       in_camera(std::string("SAMSUNG\0", 8), order(), order()), Bytes(), kPentax},
      {"the camera's RICOH note", "RICOH", "K-3",
       in_camera(std::string("RICOH\0", 6), order(), order()), Bytes(), kPentax},
      // With a note in the Exif directory too.
      {"the DNG's note counts",
       "NIKON",
       "D850",
       makn(order(), NikonNote(order(), {{kNikonCount, kLong, 1, 526}})),
       nikon_exif,
       {"D850", "----------", "----------", "0", 526}},
      {"no MakN: the Exif note",
       "NIKON",
       "D850",
       AdobePrivateData({{"SR2 ", Bytes().Zeros(4)}}),
       nikon_exif,
       {"D850", "----------", "----------", "0", 999}},
      {"another form: the Exif note",
       "NIKON",
       "D850",
       Text("Apple iOS").Zeros(8),
       nikon_exif,
       {"D850", "----------", "----------", "0", 999}},
  };
  for (const auto& c : cases) {
    ExpectLines(LinesOf({c.make, c.model, c.exif_note, {DngPrivateData(c.private_data)}}), c.lines,
                c.what);
  }
}

TEST_P(NotePlaces, RicohOlympusAndSigmaNotesByTheirHeaders) {
  const std::string ricoh("RICOH\0", 6);
  const Field serial_101a = AsciiField(0x101A, "BHP205119");
  const Field serial_0404 = AsciiField(0x0404, "BHP205119");
  const Field filler{0x0100, kShort, 1, 0};
  // The serial in a sub-directory the note's directory leads to.
  const auto below = [&](std::uint16_t pointer, std::uint16_t type, std::uint16_t tag) {
    const std::vector<Field> sub = {filler, AsciiField(tag, "B9U505495      ")};
    const std::uint32_t size = 2 + 12 * 2 + 4;
    // Three entries: two would read 512 in the other order, a count a note may have.
    return std::vector<std::vector<Field>>{
        {filler, filler, {pointer, type, type == kUndefined ? size : 1, 0, {}, 1}}, sub};
  };
  const Bytes olympus = Text("OLYMPUS").U8(0).Append(Marks(order())).Raw({3, 0});
  const Bytes om_system = Text("OM SYSTEM").Zeros(3).Append(Marks(order())).Raw({3, 0});
  const Bytes olymp = Text("OLYMP").U8(0).Raw({1, 0});
  const Bytes sigma = Text("SIGMA").Zeros(3).Raw({1, 0});
  struct {
    const char* what;
    std::string make;
    Bytes note;
    std::string serial;
    std::int32_t count;
  } const cases[] = {
      {"Ricoh GR III", "RICOH IMAGING COMPANY, LTD.",
       MakerNote(order(), Text(ricoh).Append(Marks(order())), PentaxFields(6278), 0), "4826185",
       6278},
      {"Ricoh, its directory in the other order", "RICOH IMAGING COMPANY, LTD.",
       MakerNote(other(), Text(ricoh).Append(Marks(order())), PentaxFields(6278), 0), "4826185",
       6278},
      {"Ricoh, no marks: no note of ours", "RICOH",
       MakerNote(order(), Text(ricoh).Text("XX"), PentaxFields(6278), 0), "0", 0},
      {"OLYMP, 0x101A", "OLYMPUS IMAGING CORP.",
       MakerNote(order(), olymp, {serial_101a}, kMakerNoteAt), "BHP205119", 0},
      {"EPSON", "SEIKO EPSON CORP.",
       MakerNote(order(), Text("EPSON").U8(0).Raw({1, 0}), {serial_101a}, kMakerNoteAt),
       "BHP205119", 0},
      {"OLYMPUS, 0x0404", "OLYMPUS", MakerNote(order(), olympus, {serial_0404}, 0), "BHP205119", 0},
      {"0x101A before 0x0404", "OLYMPUS",
       MakerNote(order(), olympus, {serial_0404, AsciiField(0x101A, "FIRST")}, 0), "FIRST", 0},
      {"a blank 0x101A: the next", "OLYMPUS",
       MakerNote(order(), olympus, {AsciiField(0x101A, "     "), serial_0404}, 0), "BHP205119", 0},
      {"camera settings (0x4000)", "OLYMPUS",
       MakerNoteOf(order(), olympus, below(0x4000, 13, 0x0404), 0), "B9U505495", 0},
      {"Equipment of type IFD", "OLYMPUS",
       MakerNoteOf(order(), olympus, below(0x2010, 13, 0x0101), 0), "B9U505495", 0},
      {"Equipment of type LONG", "OLYMPUS",
       MakerNoteOf(order(), olympus, below(0x2010, kLong, 0x0101), 0), "B9U505495", 0},
      {"Equipment as the value itself", "OLYMPUS",
       MakerNoteOf(order(), olympus, below(0x2010, kUndefined, 0x0101), 0), "B9U505495", 0},
      {"OM SYSTEM", "OM Digital Solutions",
       MakerNoteOf(order(), om_system, below(0x2010, 13, 0x0101), 0), "B9U505495", 0},
      {"OM SYSTEM, in the other order", "OM Digital Solutions",
       MakerNoteOf(other(), om_system, below(0x2010, 13, 0x0101), 0), "B9U505495", 0},
      {"Sigma", "SIGMA", MakerNote(order(), sigma, {AsciiField(0x0002, "1234567")}, kMakerNoteAt),
       "1234567", 0},
      {"Foveon, any case", "Foveon",
       MakerNote(order(), Text("FOVEON").Zeros(2).Raw({1, 0}), {AsciiField(0x0002, "1234567")},
                 kMakerNoteAt),
       "1234567", 0},
      {"Sigma's header, another Make", "Panasonic",
       MakerNote(order(), sigma, {AsciiField(0x0002, "1234567")}, kMakerNoteAt), "0", 0},
  };
  for (const auto& c : cases) {
    const Lines shown = LinesOf({c.make, "E-P3", c.note});
    EXPECT_EQ(shown.serial, c.serial) << c.what;
    EXPECT_EQ(shown.count, c.count) << c.what;
    EXPECT_EQ(shown.model, "E-P3") << c.what;
  }
}

// A Kodak note: a directory of three entries at its first byte, offsets
// from the TIFF header, whose entry `pointer` leads to `points_at`; there,
// right after it by default, a directory of three entries in `below` order
// holding `text` as `tag`.
constexpr std::uint32_t kKodakDirectory = 2 + 12 * 3 + 4;
Bytes KodakNote(Order order, std::uint16_t pointer, std::uint16_t tag, const std::string& text,
                Order below, std::uint32_t points_at = kMakerNoteAt + kKodakDirectory) {
  const Field filler{0x0100, kShort, 1, 0};
  Bytes note = MakerNote(order, Bytes(), {filler, filler, {pointer, kLong, 1, points_at}},
                         static_cast<std::int32_t>(kMakerNoteAt));
  const Field serial{tag, kAscii, static_cast<std::uint32_t>(text.size()), 0,
                     std::vector<std::uint8_t>(text.begin(), text.end())};
  return note.Append(
      DirectoriesAt(below, kMakerNoteAt + kKodakDirectory, {{filler, filler, serial}}));
}

TEST_P(NotePlaces, KodakSerialsOneDirectoryDownAndPhaseOnesOwnDirectory) {
  const std::string z1275("KCXGW72300544\0\0\0", 16);
  const std::string p850 = std::string("CYEV539J6031\0", 13) + std::string(19, '\xFF');
  const std::string kodak = "EASTMAN KODAK COMPANY";
  const Bytes z_series = KodakNote(order(), 0xFC00, 0xFA19, z1275, order());
  const Bytes binary_record = Bytes(order()).U16(3).U16(0x0101).U32(0x00FC0004).Zeros(200);
  struct {
    const char* what;
    std::string make;
    Bytes note;
    std::optional<std::uint32_t> declared;  // the note's size as its entry says
    std::string serial;
  } const cases[] = {
      {"Kodak Z-series: 0xFC00, then 0xFA19", kodak, z_series, {}, "KCXGW72300544"},
      {"the directory below in the other order",
       "KODAK",
       KodakNote(order(), 0xFC00, 0xFA19, z1275, other()),
       {},
       "KCXGW72300544"},
      {"KDC: 0xFF00, then 0xFA04, past the note's declared bytes", kodak,
       KodakNote(order(), 0xFF00, 0xFA04, p850, order()), kKodakDirectory, "CYEV539J6031"},
      {"a text tag of the other path",
       kodak,
       KodakNote(order(), 0xFC00, 0xFA04, z1275, order()),
       {},
       "0"},
      {"a pointer of the other path",
       kodak,
       KodakNote(order(), 0xFF00, 0xFA19, z1275, order()),
       {},
       "0"},
      {"a note with a TIFF header of its own",
       kodak,
       Bytes(order()).Append(TiffHeader(order(), 8)).Append(z_series),
       {},
       "0"},
      {"an older body's binary record", kodak, binary_record, {}, "0"},
      {"the directory below past the file",
       kodak,
       KodakNote(order(), 0xFC00, 0xFA19, z1275, order(), 0xFFFFFFF0u),
       {},
       "0"},
      {"the directory below is the note's own",
       kodak,
       KodakNote(order(), 0xFC00, 0xFA19, z1275, order(), kMakerNoteAt),
       {},
       "0"},
      {"another maker's Make", "Casio", z_series, {}, "0"},
      {"Phase One, IIII",
       "Leaf",
       PhaseOneNote(Order::kLittle, {{0x0301, "Credo 40\0"}, {0x0102, "LD001055\0"}}),
       {},
       "LD001055"},
      {"Phase One, MMMM",
       "Phase One A/S",
       PhaseOneNote(Order::kBig, {{0x0102, "LD001055\0"}}),
       {},
       "LD001055"},
      {"a serial of four bytes in its entry",
       "Phase One",
       PhaseOneNote(order(), {{0x0102, "AB1\0"}}),
       {},
       "AB1"},
      {"2^32 - 1 entries",
       "Phase One",
       PhaseOneNote(order(), {{0x0102, "LD001055\0"}}, {}, 0xFFFFFFFFu),
       {},
       "0"},
      {"its directory past the note",
       "Phase One",
       PhaseOneNote(order(), {{0x0102, "LD001055\0"}}, 0x7FFFFFFFu),
       {},
       "0"},
      {"a serial of control bytes",
       "Phase One",
       PhaseOneNote(order(), {{0x0102, "LD\x01\x02\0"}}),
       {},
       "0"},
  };
  for (const auto& c : cases) {
    const Lines shown = LinesOf({c.make, "Z1275", c.note, {}, {}, c.declared});
    EXPECT_EQ(shown.serial, c.serial) << c.what;
    EXPECT_EQ(shown.model, "Z1275") << c.what;
    EXPECT_EQ(shown.firmware, "----------") << c.what;
    EXPECT_EQ(shown.count, 0) << c.what;
  }
}

// Tag 0x0020's index (little-endian): the blocks' tags and offsets, its
// length, `size` bytes in all, the number `value` at `at`.
std::vector<std::uint8_t> SonyIndex(
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& blocks, std::uint32_t length,
    std::size_t size, std::size_t at, std::uint32_t value) {
  Bytes out(Order::kLittle);
  out.U16(static_cast<std::uint32_t>(blocks.size())).U16(length);
  for (const auto& [tag, offset] : blocks) out.U16(tag).U16(offset);
  out.PadTo(at).U32(value).PadTo(size);
  std::vector<std::uint8_t> bytes = out.data();
  bytes.resize(size);
  return bytes;
}

TEST_P(NotePlaces, SonyTag0x0020HoldsTheCountOfTheOlderBodies) {
  const auto count_of = [&](const std::string& model, const std::vector<std::uint8_t>& block) {
    const Field field{kSonyCameraSettings, kUndefined, static_cast<std::uint32_t>(block.size()), 0,
                      block};
    const Bytes note = MakerNote(order(), Text("SONY DSC ").Zeros(3), {field}, kMakerNoteAt);
    return LinesOf({"SONY", model, note}).count;
  };
  const auto settings = [](std::size_t size, std::uint32_t value) {
    std::vector<std::uint8_t> block(size, 0);
    for (std::size_t i = 0; i < 4; ++i)
      block[0x0846 + i] = static_cast<std::uint8_t>(value >> 8 * i);
    return block;
  };
  // The index of an SLT-A55: block 0x0201 at 14008, the next at 14376.
  const std::vector<std::pair<std::uint16_t, std::uint16_t>> a55 = {
      {0x0001, 120}, {0x0201, 14008}, {0x0202, 14376}, {0x0401, 14520}};
  const auto index = [&](std::size_t at, std::uint32_t value, std::uint32_t length = 19128) {
    return SonyIndex(a55, length, 20480, 14008 + at, value);
  };
  struct {
    const char* what;
    std::string model;
    std::vector<std::uint8_t> block;
    std::int32_t count;
  } const cases[] = {
      {"A230, camera settings", "DSLR-A230", settings(19154, 242), 242},
      {"A900, the other size", "DSLR-A900", settings(19148, 242), 242},
      {"the low 24 bits", "DSLR-A850", settings(19154, 0x12000242), 0x242},
      {"another size", "DSLR-A230", settings(19000, 242), 0},
      {"the A700 keeps none there", "DSLR-A700", settings(19154, 242), 0},
      {"SLT-A55, block 0x0201", "SLT-A55", index(0x0125, 27534), 27534},
      {"a trailing blank", "SLT-A55 ", index(0x0125, 27534), 27534},
      {"SLT-A55V", "SLT-A55V", index(0x0125, 27534), 27534},
      {"NEX-5", "NEX-5", index(0x0125, 1234), 1234},
      {"A500, another byte", "DSLR-A500", index(0x014A, 1234), 1234},
      {"NEX-5N: a name compared whole", "NEX-5N", index(0x0125, 1234), 0},
      {"a length that cuts the block", "SLT-A55",
       SonyIndex({{0x0201, 100}}, 100 + 0x0125 + 3, 1000, 100 + 0x0125, 77), 0},
      {"a length just long enough", "SLT-A55",
       SonyIndex({{0x0201, 100}}, 100 + 0x0125 + 4, 1000, 100 + 0x0125, 77), 77},
      {"an offset past the length makes it the block's", "SLT-A55",
       SonyIndex({{0x0201, 100}, {0x0202, 400}}, 50, 1000, 100 + 0x0125, 77), 77},
      {"block 0x0201 ends at the next offset", "SLT-A55",
       SonyIndex({{0x0201, 100}, {0x0202, 100 + 0x0125 + 3}}, 1000, 1000, 100 + 0x0125, 77), 0},
      {"two blocks at one offset", "SLT-A55",
       SonyIndex({{0x0201, 100}, {0x0202, 100}}, 1000, 1000, 100 + 0x0125, 77), 0},
      {"block 0x0201 past the block", "SLT-A55", SonyIndex({{0x0201, 2000}}, 1000, 1000, 100, 77),
       0},
      {"51 blocks", "SLT-A55",
       SonyIndex(std::vector<std::pair<std::uint16_t, std::uint16_t>>(51, {0x0201, 300}), 1000,
                 1000, 300 + 0x0125, 77),
       0},
      {"an index longer than its block", "SLT-A55", SonyIndex({{0x0201, 4}}, 1000, 7, 4, 77), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(count_of(c.model, c.block), c.count) << c.what;
}

TEST_P(NotePlaces, NikonKeepsTheMechanicalCountBesideTheTotal) {
  const auto counts = [&](std::vector<Field> fields) {
    const TCanonFile& file =
        Analyse(MakerTiff(order(), {"NIKON CORPORATION", "NIKON Z 6", NikonNote(order(), fields)}));
    return std::pair(file.GetShutterCount(), file.GetMechanicalCount());
  };
  const Field total{kNikonCount, kLong, 1, 3651};
  EXPECT_EQ(counts({{kNikonMechanicalCount, kLong, 1, 2884}, total}), std::pair(3651, 2884));
  EXPECT_EQ(counts({{kNikonMechanicalCount, kLong, 1, 3651}, total}), std::pair(3651, 3651));
  EXPECT_EQ(counts({{kNikonMechanicalCount, kLong, 1, 3652}, total}), std::pair(3651, 0))
      << "never more than the total";
  EXPECT_EQ(counts({{kNikonMechanicalCount, kLong, 1, 2884}}), std::pair(0, 0));
  EXPECT_EQ(counts({{kNikonMechanicalCount, kShort, 1, 2884}, total}), std::pair(3651, 0));
}

}  // namespace
