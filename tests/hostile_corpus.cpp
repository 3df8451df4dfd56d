#include "tests/hostile_corpus.h"

#include <algorithm>
#include <optional>

namespace testfile {
namespace {

constexpr std::uint32_t kBlock = 4096;  // the reader's block size: one fetch each

// A little-endian TIFF whose only directory has these entries.
Bytes TiffWithEntries(const std::vector<Entry>& entries, std::uint32_t next = 0) {
  Bytes out = TiffHeader(Order::kLittle, 8);
  AppendDirectory(out, entries, next);
  return out;
}

Bytes StringWithoutZeroByte() {
  Bytes out = TiffWithEntries({{kTagModel, kAscii, 64, 64}, {kTagOwner, kAscii, 64, 65}});
  out.PadTo(64).Text(std::string(4u << 20, 'x'));
  return out;
}

Bytes DirectoryPastTheEnd() {
  Bytes out = TiffHeader(Order::kLittle, 8);
  out.U16(65535).U16(kTagSerial).U16(kLong).U32(1).U32(7);
  return out;
}

// Directories of no entries are six bytes each: a few MiB hold hundreds of
// thousands, chained one after the other.
Bytes LongChainOfSmallDirectories() {
  constexpr std::uint32_t kDirectories = 300000;
  Bytes out = TiffHeader(Order::kLittle, 8);
  for (std::uint32_t i = 0; i < kDirectories; ++i) {
    AppendDirectory(out, {}, i + 1 < kDirectories ? 8 + 6 * (i + 1) : 0);
  }
  return out;
}

// Directories one block apart, so that each costs a fetch from the file.
Bytes LongChainOfDistantDirectories() {
  constexpr std::uint32_t kDirectories = 4096;
  Bytes out = TiffHeader(Order::kLittle, kBlock);
  for (std::uint32_t i = 1; i <= kDirectories; ++i) {
    out.PadTo(i * kBlock);
    AppendDirectory(out, {{kTagSerial, kLong, 1, i}}, (i + 1) * kBlock);
  }
  return out;
}

// Large directories chained one after the other, more of them and larger
// than any camera file has.
Bytes ChainOfLargeDirectories() {
  constexpr std::uint32_t kDirectories = 100;
  constexpr std::uint32_t kEntries = 1100;
  constexpr std::uint32_t kSpan = 2 + 12 * kEntries + 4;
  Bytes out = TiffHeader(Order::kLittle, 8);
  for (std::uint32_t i = 0; i < kDirectories; ++i) {
    const std::vector<Entry> entries(kEntries, Entry{kTagSerial, kLong, 1, i});
    AppendDirectory(out, entries, i + 1 < kDirectories ? 8 + (i + 1) * kSpan : 0);
  }
  return out;
}

// Directories at odd and overlapping offsets that point into each other,
// and Exif and maker-note pointers back to the first directory.
Bytes OverlappingDirectories() {
  Bytes out = TiffHeader(Order::kLittle, 8);
  AppendDirectory(out, {{kTagExif, kLong, 1, 8}, {kTagMakerNote, kUndefined, 1, 9}}, 9);
  out.PadTo(64);
  out.PutU32At(8 + 2 + 24, 11);  // next of the first directory: into its own entries
  return out;
}

// The most entries a directory can hold, each pointing at a string or at the
// exposure-count words in a block of its own.
Bytes EntriesPointingAtStrings() {
  constexpr std::uint32_t kEntries = 65535;
  constexpr std::uint16_t kTags[] = {kTagModel, kTagFirmware, kTagOwner, kTagCounter};
  std::vector<Entry> entries;
  const std::uint32_t data = 8 + 2 + 12 * kEntries + 4;
  for (std::uint32_t i = 0; i < kEntries; ++i) {
    const std::uint16_t tag = kTags[i % 4];
    entries.push_back({tag, tag == kTagCounter ? kShort : kAscii, 64, data + (i % 1024) * kBlock});
  }
  Bytes out = TiffWithEntries(entries);
  for (std::uint32_t i = 0; i < 1024; ++i) out.PadTo(data + i * kBlock).Text(std::string(300, 'y'));
  return out;
}

// Offsets that reach past 2^32 once the JPEG's TiffBase of 12 is added.
Bytes OffsetsNear2To32() {
  return Jpeg(TiffWithEntries({{kTagExif, kLong, 1, 0xFFFFFFFFu},
                               {kTagMakerNote, kUndefined, 1, 0xFFFFFFFEu},
                               {kTagFirmware, kAscii, 0xFFFFFFFFu, 0xFFFFFFF0u},
                               {kTagCounter, kShort, 9, 0xFFFFFFF9u}},
                              0xFFFFFFFFu),
              false);
}

Bytes CiffAnchorOutsideTheFile() {
  Bytes out = Ciff(Order::kLittle, 900, 100, 1, 2);
  out.PutU32At(892, 0xFFFFFFFFu);
  return out;
}

Bytes JpegApp0Length(std::uint32_t length) {
  Bytes out;
  out.U16(0xFFD8).U16(0xFFE0).U16(length).Zeros(length < 40 ? 40 - length : 0);
  return out;
}

// ISO base media files: an ftyp box, then what the case puts after it.
Bytes AfterFtyp(const std::string& brand, const Bytes& rest) {
  return Box("ftyp", Bytes().Text(brand).U32(0).Text(brand)).Append(rest);
}

Bytes ThousandsOfEmptyBoxes() {
  Bytes boxes(Order::kBig);
  for (int i = 0; i < 100000; ++i) boxes.U32(8).Text("free");
  // Canon's box is there, but past the cap of any one list.
  const Bytes cr3 = Cr3(Order::kLittle);
  return AfterFtyp("crx ", boxes.Append(Box("moov", Box("uuid", cr3))));
}

// Canon boxes in moov, as many as its list is looked at, each holding as
// many empty boxes and none of the TIFF boxes.
Bytes ManyCanonBoxesHoldingNothing() {
  const Bytes plain = Cr3(Order::kLittle);
  const auto& raw = plain.data();
  const std::string uuid = "uuid";
  const auto at = std::search(raw.begin(), raw.end(), uuid.begin(), uuid.end()) + 4;
  Bytes canon = Bytes(Order::kBig).Raw({at, at + 16});
  for (int i = 0; i < 256; ++i) canon.U32(8).Text("free");
  Bytes moov(Order::kBig);
  for (int i = 0; i < 256; ++i) moov.Append(Box("uuid", canon));
  return AfterFtyp("crx ", Box("moov", moov));
}

// A meta box whose list of children is thousands of empty boxes long.
Bytes HeifMetaOfEmptyBoxes() {
  Bytes meta(Order::kBig);
  meta.U32(0);  // version and flags
  for (int i = 0; i < 50000; ++i) meta.U32(8).Text("free");
  return AfterFtyp("heic", Box("meta", meta));
}

// Patches a big-endian 32-bit number at `after` bytes past the first
// occurrence of `text`.
Bytes Patched(const Bytes& bytes, const std::string& text, std::size_t after, std::uint32_t v) {
  const std::vector<std::uint8_t>& raw = bytes.data();
  const auto at = std::search(raw.begin(), raw.end(), text.begin(), text.end());
  Bytes out = Bytes(Order::kBig).Raw(raw);
  out.PutU32At(static_cast<std::size_t>(at - raw.begin()) + after, v);
  return out;
}

// iloc version 2 claiming 2^32 - 1 items, with fields of no bytes, so that
// each item is 10 bytes and the box holds thousands of them; none is the
// Exif item.
Bytes HeifIlocOfManyItems() {
  Bytes infe(Order::kBig);
  infe.U8(2).Zeros(3).U16(0xFFFF).U16(0).Text("Exif");
  Bytes iinf(Order::kBig);
  iinf.U8(0).Zeros(3).U16(1).Append(Box("infe", infe));
  Bytes iloc(Order::kBig);
  iloc.U8(2).Zeros(3).U8(0).U8(0).U32(0xFFFFFFFFu);
  for (std::uint32_t id = 1; id <= 20000; ++id) iloc.U32(id).U16(0).U16(0).U16(0);
  Bytes meta(Order::kBig);
  meta.U32(0).Append(Box("iinf", iinf)).Append(Box("iloc", iloc));
  return AfterFtyp("heic", Box("meta", meta));
}

Bytes WithTrailer(Bytes bytes, std::uint32_t value) {
  bytes.PutU32At(bytes.size() - 4, value);
  return bytes;
}

// A CIFF heap whose records nest 0x300A in 0x300A as deep as the builder goes.
CiffRecord NestedHeaps(int depth) {
  if (depth == 0) return {0x5834, {0x70, 0x01, 0x00, 0x80}};
  return {0x300A, {}, {NestedHeaps(depth - 1)}};
}

// Other makers' notes, in a little-endian TIFF naming the maker.
Bytes MakersFile(const std::string& make, const Bytes& note,
                 std::optional<std::uint32_t> note_size = std::nullopt,
                 const std::string& model = "CRAFTED") {
  return MakerTiff(Order::kLittle, {make, model, note, {}, {}, note_size});
}

Bytes NikonHeader(const std::string& byte_order, std::uint32_t magic, std::uint32_t first) {
  Bytes out(Order::kLittle);
  return out.Text("Nikon").Raw({0, 2, 0x10, 0, 0}).Text(byte_order).U16(magic).U32(first);
}

constexpr std::uint16_t kSonyRecord = 0x9050;

// A Sony note whose record is `size` bytes at `offset` from the TIFF header.
Bytes SonyNote(std::uint32_t size, std::uint32_t offset) {
  Bytes out(Order::kLittle);
  out.Text("SONY DSC ").Zeros(3);
  AppendDirectory(out, {{0x0001, kShort, 1, 0}, {kSonyRecord, kUndefined, size, offset}}, 0);
  return out.Zeros(0x40);
}
constexpr std::uint32_t kSonyRecordAt = kMakerNoteAt + 12 + 2 + 24 + 4;

// A Make that runs on to the end of the file, with no zero byte.
Bytes MakeWithoutAnEnd() {
  Bytes out = TiffHeader(Order::kLittle, 8);
  AppendDirectory(out, {{kTagMake, kAscii, 300, 64}}, 0);
  return out.PadTo(64).Text(std::string(4096, 'N'));
}

// A Canon note of three strings and a serial number, its offsets from
// kMakerNoteAt, ending with a footer of the order given saying where the
// camera wrote it.
Bytes CanonNoteWithFooter(Order footer_order, std::uint32_t written_at) {
  Bytes note = MakerNote(Order::kLittle, Bytes(),
                         {AsciiField(kTagModel, "Canon EOS 550D"),
                          AsciiField(kTagFirmware, "Firmware Version 1.0.8"),
                          AsciiField(kTagOwner, "Erika Mustermann"),
                          {kTagSerial, kLong, 1, 7}},
                         kMakerNoteAt);
  return note.Append(CanonFooter(footer_order, written_at));
}

// An AOC note whose value of eight bytes stands at `offset`.
Bytes PentaxNoteWithValueAt(std::uint32_t offset) {
  Bytes out(Order::kLittle);
  out.Text("AOC").U8(0).Text("II");
  AppendDirectory(out, {{0x0200, kShort, 4, offset}, {0x0229, kAscii, 8, offset}}, 0);
  return out.Zeros(16);
}

Bytes JpegSegmentFirst(std::uint16_t marker, std::uint32_t length) {
  Bytes out(Order::kBig);
  out.U16(0xFFD8).U16(marker).U16(length).Zeros(40);
  return out;
}

// A DNG (a little-endian TIFF) of Make "Canon" whose private data are these
// bytes.
Bytes DngWith(const Bytes& private_data) {
  return TiffOf(Order::kLittle, {{AsciiField(kTagMake, "Canon"), DngPrivateData(private_data)}});
}

// A Sony note whose tag 0x0020 is this index.
Bytes SonyIndexNote(const Bytes& index) {
  const auto size = static_cast<std::uint32_t>(index.size());
  return MakerNote(Order::kLittle, Bytes().Text("SONY DSC ").Zeros(3),
                   {{0x0020, kUndefined, size, 0, index.data()}}, kMakerNoteAt);
}

// An OLYMPUS note whose Equipment pointer (0x2010) is `offset` from the note.
Bytes OlympusNoteLeadingTo(std::uint16_t tag, std::uint32_t offset) {
  Bytes out(Order::kLittle);
  out.Text("OLYMPUS").U8(0).Text("II").U16(3);
  AppendDirectory(out, {{0x0100, kShort, 1, 0}, {0x0101, kShort, 1, 0}, {tag, 13, 1, offset}}, 0);
  return out.Zeros(16);
}

// A Kodak note whose 0xFC00 leads to `offset` (from the TIFF header); the
// directory at the note's first byte holds `count` entries as it says.
Bytes KodakNoteLeadingTo(std::uint32_t offset, std::uint16_t below_count = 2) {
  Bytes out(Order::kBig);
  AppendDirectory(out, {{0x0100, kShort, 1, 0}, {0x0101, kShort, 1, 0}, {0xFC00, kLong, 1, offset}},
                  0);
  return out.U16(below_count).Zeros(64);
}
constexpr std::uint32_t kKodakBelow = kMakerNoteAt + 2 + 12 * 3 + 4;

// An X3F of one PROP section, a number of it changed.
Bytes X3fWith(std::uint32_t at, std::uint32_t value) {
  Bytes properties = X3fProperties({{"CAMMODEL", "SIGMA DP2"}, {"CAMSERIAL", "1008382"}});
  properties.PutU32At(at, value);
  return X3f({{"PROP", properties}});
}

// An X3F whose last four bytes are `offset`.
Bytes X3fDirectoryAt(std::uint32_t offset) {
  Bytes out = X3f({{"PROP", X3fProperties({{"CAMSERIAL", "1008382"}})}});
  out.PutU32At(out.size() - 4, offset);
  return out;
}

}  // namespace

std::vector<HostileCase> HostileCorpus() {
  std::vector<HostileCase> corpus = {
      {"string-without-zero-byte", StringWithoutZeroByte()},
      {"directory-past-the-end", DirectoryPastTheEnd()},
      {"long-chain-of-small-directories", LongChainOfSmallDirectories()},
      {"long-chain-of-distant-directories", LongChainOfDistantDirectories()},
      {"chain-of-large-directories", ChainOfLargeDirectories()},
      {"overlapping-directories", OverlappingDirectories()},
      {"entries-pointing-at-strings", EntriesPointingAtStrings()},
      {"offsets-near-2-to-32", OffsetsNear2To32()},
      {"ciff-anchor-outside-the-file", CiffAnchorOutsideTheFile()},
      {"jpeg-app0-length-0", JpegApp0Length(0)},
      {"jpeg-app0-length-1", JpegApp0Length(1)},
      {"jpeg-app0-length-past-the-end", JpegApp0Length(0xFFFF)},
      {"iso-box-size-0", AfterFtyp("crx ", Bytes().U32(0).Text("moov").U32(0).Text("uuid"))},
      {"iso-box-size-1-huge",
       AfterFtyp("crx ", Bytes().U32(1).Text("moov").U32(0xFFFFFFFFu).U32(0xFFFFFFFFu))},
      {"iso-box-size-1-tiny", AfterFtyp("heic", Bytes().U32(1).Text("meta").U32(0).U32(15))},
      {"iso-box-size-4", AfterFtyp("crx ", Bytes().U32(4).Text("moov").Zeros(40))},
      {"iso-box-past-the-end", AfterFtyp("heic", Bytes().U32(0x7FFFFFFFu).Text("meta").Zeros(40))},
      {"iso-thousands-of-empty-boxes", ThousandsOfEmptyBoxes()},
      {"heif-meta-of-thousands-of-empty-boxes", HeifMetaOfEmptyBoxes()},
      {"cr3-many-canon-boxes-holding-nothing", ManyCanonBoxesHoldingNothing()},
      // iloc version 2: version and flags, two bytes of field sizes, then
      // the 32-bit item count.
      {"heif-iloc-count-2-to-32", HeifIlocOfManyItems()},
      // iloc version 1 (from its type: version and flags, field sizes, item
      // count, then the first item's ID, method, data reference and base):
      // the first item's extent count 65535, skipped by arithmetic.
      {"heif-iloc-extents-past-the-box",
       Patched(Heif(Order::kLittle, {}, {1, false}), "iloc", 4 + 18, 0xFFFF0000u)},
      // The length before the Exif item's TIFF header.
      {"heif-exif-header-offset-past-the-end",
       Patched(Heif(Order::kBig), std::string("Exif\0\0MM", 8), static_cast<std::size_t>(-4),
               0xFFFFFFFFu)},
      {"ciff-heap-directory-outside",
       WithTrailer(CiffWithHeap(Order::kBig, {NestedHeaps(2)}), 0xFFFFFFF0u)},
      {"ciff-records-pointing-outside",
       CiffWithHeap(Order::kLittle, {{0x300A, {}, {{0x300B, {}, {NestedHeaps(0)}, 0xFFFFFF00u}}}})},
      {"ciff-sub-heaps-nested-deep", CiffWithHeap(Order::kLittle, {NestedHeaps(2000)})},
      // Maker notes.
      {"maker-note-shorter-than-its-signature", MakersFile("", NikonHeader("II", 42, 8), 4)},
      {"nikon-inner-header-bad-byte-order", MakersFile("NIKON", NikonHeader("IM", 42, 8))},
      {"nikon-inner-header-bad-magic", MakersFile("NIKON", NikonHeader("MM", 43, 8))},
      {"nikon-inner-directory-past-the-note",
       MakersFile("NIKON", NikonHeader("II", 42, 8).Zeros(64), 18)},
      {"nikon-inner-directory-near-2-to-32",
       MakersFile("NIKON", NikonHeader("II", 42, 0xFFFFFFF0u).Zeros(64))},
      // The inner first-directory offset 0: the directory is the header.
      {"nikon-directory-at-its-own-header",
       MakersFile("NIKON", NikonHeader("II", 42, 0).Zeros(64))},
      // Its next-directory offset, and its only entry, point back at it.
      {"nikon-directory-pointing-at-itself",
       MakersFile("NIKON",
                  [] {
                    Bytes note = NikonHeader("II", 42, 8);
                    AppendDirectory(note, {{0x0011, kLong, 1, 8}}, 8);
                    return note;
                  }())},
      {"pentax-count-of-the-wrong-size", MakersFile("PENTAX Corporation",
                                                    [] {
                                                      Bytes note(Order::kLittle);
                                                      note.Text("AOC").U8(0).Text("II");
                                                      AppendDirectory(
                                                          note,
                                                          {{0x0006, kUndefined, 4, 0x0203D807},
                                                           {0x0007, kUndefined, 3, 0x17010C},
                                                           {0x005D, kUndefined, 8, 0xFFFFFFF0u}},
                                                          0);
                                                      return note;
                                                    }())},
      {"make-of-255-bytes-without-an-end", MakeWithoutAnEnd()},
      {"sony-record-of-0-bytes", MakersFile("SONY", SonyNote(0, kSonyRecordAt), {}, "ILCE-1")},
      {"sony-record-of-0x3d-bytes",
       MakersFile("SONY", SonyNote(0x3D, kSonyRecordAt), {}, "ILCE-1")},
      {"sony-record-past-the-end", MakersFile("SONY", SonyNote(0x40, 0xFFFFFFC0u), {}, "ILCE-1")},
      {"sony-model-of-255-bytes",
       MakersFile("SONY", SonyNote(0x40, kSonyRecordAt), {}, "ILCE-1" + std::string(300, '1'))},
      {"sony-headerless-directory-count-0xffff",
       MakersFile("SONY", Bytes(Order::kLittle).U16(0xFFFF).Zeros(64))},
      // Files programs saved again: moved notes, segments before Exif.
      {"canon-footer-near-2-to-32",
       MakersFile("Canon", CanonNoteWithFooter(Order::kLittle, 0xFFFFFFF0u))},
      {"canon-footer-moving-the-note-past-the-end",
       MakersFile("Canon", CanonNoteWithFooter(Order::kLittle, 0))},
      {"canon-footer-of-the-other-order",
       MakersFile("Canon", CanonNoteWithFooter(Order::kBig, 0x300))},
      {"pentax-moved-note-value-at-0", MakersFile("PENTAX", PentaxNoteWithValueAt(0))},
      {"pentax-moved-note-value-near-2-to-32",
       MakersFile("PENTAX", PentaxNoteWithValueAt(0xFFFFFFF8u))},
      {"jpeg-32-comments-before-exif",
       JpegAfter(std::vector<Segment>(32, Segment{0xFFFE, Bytes().Text("x")}),
                 CanonTiff(Order::kLittle))},
      {"jpeg-segment-length-0", JpegSegmentFirst(0xFFFE, 0)},
      {"jpeg-segment-length-1", JpegSegmentFirst(0xFFE2, 1)},
      {"jpeg-segment-length-past-the-end", JpegSegmentFirst(0xFFED, 0xFFFF)},
      {"jpeg-exif-app1-of-length-7",
       JpegAfter({{0xFFE1, Bytes().Text("Exif").Zeros(1)}}, Bytes().Text("XX").Zeros(16))},
      {"nikon-serial-of-control-bytes-only",
       MakersFile("NIKON", NikonNote(Order::kLittle, {AsciiField(0x001D, "\x01\x02\x1b\x7f")}))},
      // DNG private data.
      {"dng-adobe-records-of-size-0",
       DngWith(
           AdobePrivateData(std::vector<std::pair<std::string, Bytes>>(2000, {"free", Bytes()})))},
      {"dng-adobe-record-of-odd-size", DngWith(AdobePrivateData({{"odd ", Bytes().Zeros(3)}}))},
      {"dng-adobe-record-past-the-block",
       DngWith(Bytes(Order::kBig).Text("Adobe").U8(0).Text("MakN").U32(0xFFFFFFF0u).Zeros(16))},
      {"dng-makn-of-5-bytes", DngWith(AdobePrivateData({{"MakN", Bytes().Text("II").Zeros(3)}}))},
      {"dng-makn-of-17-bytes",
       DngWith(AdobePrivateData({{"MakN", Bytes().Text("II").Zeros(2).U32(1).Zeros(7)}}))},
      {"dng-makn-original-offset-near-2-to-32",
       DngWith(AdobePrivateData(
           {{"MakN",
             MakerNoteRecord(Order::kLittle, 0xFFFFFFF0u,
                             MakerNote(Order::kLittle, Bytes(),
                                       {AsciiField(kTagModel, "Canon EOS 350D DIGITAL")}, 0))}}))},
      {"sony-index-of-51-entries",
       MakersFile("SONY", SonyIndexNote(Bytes(Order::kLittle).U16(51).U16(400).Zeros(400)), {},
                  "SLT-A55")},
      {"sony-index-offsets-past-its-end", MakersFile("SONY",
                                                     SonyIndexNote(Bytes(Order::kLittle)
                                                                       .U16(2)
                                                                       .U16(0xFFFF)
                                                                       .U16(0x0201)
                                                                       .U16(0xFFF0)
                                                                       .U16(0x0202)
                                                                       .U16(0xFFF8)
                                                                       .Zeros(8)),
                                                     {}, "SLT-A55")},
      {"olympus-equipment-pointing-at-its-own-directory",
       MakersFile("OLYMPUS", OlympusNoteLeadingTo(0x2010, 12))},
      {"olympus-settings-pointing-at-its-own-directory",
       MakersFile("OLYMPUS", OlympusNoteLeadingTo(0x4000, 12))},
      {"olympus-equipment-outside-the-note",
       MakersFile("OLYMPUS", OlympusNoteLeadingTo(0x2010, 0x7FFFFFF0u))},
      // Other makers' raw files.
      {"orf-first-directory-past-the-end", Bytes(Order::kLittle).Text("IIRO").U32(0xFFFFFF00u)},
      {"rw2-canon-tags-as-texts",
       WithTiffMagic(MakerTiff(Order::kLittle, {"Panasonic",
                                                "DMC-LX3",
                                                Bytes(),
                                                {AsciiField(kTagModel, "Sensor 6"),
                                                 AsciiField(kTagFirmware, "Sensor 7"),
                                                 AsciiField(kTagOwner, "Sensor 9")}}),
                     0x55)},
      {"raf-jpeg-past-the-end", Raf(Jpeg(CanonTiff(Order::kBig), false), 0xFFFFFF00u)},
      {"raf-jpeg-length-past-the-end", Raf(Jpeg(CanonTiff(Order::kBig), false), {}, 0xFFFFFFFFu)},
      {"raf-jpeg-in-its-own-header", Raf(Jpeg(CanonTiff(Order::kBig), false), 16)},
      {"raf-jpeg-that-is-a-raf", Raf(Raf(Jpeg(CanonTiff(Order::kBig), false)))},
      {"mrw-blocks-past-the-end", Mrw({MrwTiffBlock("DiMAGE A2")}, 0xFFFFFFF8u)},
      {"mrw-block-of-2-to-32-bytes",
       Mrw({{std::string("\0PRD", 4), Bytes().Zeros(24), 0xFFFFFFFFu}, MrwTiffBlock("DiMAGE A2")})},
      {"mrw-ttw-block-without-tiff", Mrw({{std::string("\0TTW", 4), Bytes().Text("XX").Zeros(64)}})},
      {"mrw-ttw-first-directory-past-the-block",
       Mrw({{std::string("\0TTW", 4), TiffHeader(Order::kBig, 0xFFFFFF00u).Zeros(64)}})},
      {"x3f-directory-past-the-end", X3fDirectoryAt(0xFFFFFFF0u)},
      {"x3f-directory-in-its-own-pointer", X3fDirectoryAt(0)},
      {"x3f-sections-2-to-32", [] {
         Bytes out = X3f({{"PROP", X3fProperties({{"CAMSERIAL", "1008382"}})}});
         out.PutU32At(out.size() - 4 - 12 - 4, 0xFFFFFFFFu);
         return out;
       }()},
      {"x3f-properties-2-to-32", X3fWith(kX3fPropertyCountAt, 0xFFFFFFFFu)},
      {"x3f-strings-past-the-section", X3fWith(kX3fCharsAt, 0xFFFFFFFFu)},
      {"x3f-name-past-the-list", X3fWith(kX3fPairsAt, 0xFFFFFFF0u)},
      {"x3f-value-past-the-list", X3fWith(kX3fPairsAt + 12, 0x7FFFFFFFu)},
      {"x3f-strings-without-their-zero", X3fWith(kX3fCharsAt, 30)},
      {"x3f-signature-only", Bytes().Text("FOVb")},
      {"kodak-directory-below-past-the-file",
       MakersFile("EASTMAN KODAK COMPANY", KodakNoteLeadingTo(0xFFFFFF00u))},
      {"kodak-directory-below-is-the-note",
       MakersFile("EASTMAN KODAK COMPANY", KodakNoteLeadingTo(kMakerNoteAt))},
      {"kodak-directory-below-of-65535-entries",
       MakersFile("EASTMAN KODAK COMPANY", KodakNoteLeadingTo(kKodakBelow, 0xFFFF))},
      {"kodak-note-with-a-tiff-header",
       MakersFile("KODAK", TiffHeader(Order::kBig, 8).Append(KodakNoteLeadingTo(kKodakBelow + 8)))},
      {"phaseone-entries-2-to-32",
       MakersFile("Phase One", PhaseOneNote(Order::kLittle, {{0x0102, "LD001055\0"}}, {},
                                            0xFFFFFFFFu))},
      {"phaseone-directory-near-2-to-32",
       MakersFile("Phase One", PhaseOneNote(Order::kLittle, {{0x0102, "LD001055\0"}}, 0xFFFFFFF0u))},
      {"phaseone-note-shorter-than-its-header", MakersFile("Phase One", Bytes().Text("IIIIRawC"))},
  };
  // Every prefix of 0 to 13 bytes of each signature.
  const Bytes signatures[] = {CanonTiff(Order::kBig), CanonTiff(Order::kLittle),
                              Ciff(Order::kLittle, 900, 100, 1, 2),
                              Jpeg(CanonTiff(Order::kLittle), true)};
  const char* const kinds[] = {"tiff-mm", "tiff-ii", "ciff", "jpeg"};
  for (std::size_t s = 0; s < 4; ++s) {
    for (std::size_t length = 0; length <= 13; ++length) {
      Bytes prefix;
      for (std::size_t i = 0; i < length; ++i) prefix.U8(signatures[s].data()[i]);
      corpus.push_back({std::string("short-") + kinds[s] + "-" + std::to_string(length), prefix});
    }
  }
  return corpus;
}

}  // namespace testfile
