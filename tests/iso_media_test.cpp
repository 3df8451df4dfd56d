// ISO base media files: recognition by the ftyp brands, the CR3 boxes and
// the HEIF Exif item, with the inner TIFF structures in both byte orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "camerafile/canon_file.h"
#include "tests/analysed_file.h"

namespace {

using camerafile::TCanonFile;
using namespace testfile;

class IsoMedia : public ::testing::TestWithParam<Order>, protected AnalysedFile {
 protected:
  static CanonRecord R5Record() { return EosR5Record(); }
  void ExpectR5(const TCanonFile& file, const char* what = "") {
    SCOPED_TRACE(what);
    EXPECT_TRUE(file.IsValid());
    EXPECT_EQ(file.Kind, 0);
    EXPECT_EQ(file.GetModel(), "Canon EOS R5");
    EXPECT_EQ(file.GetFirmware(), "Firmware Version 1.2.3");
    EXPECT_EQ(file.GetOwner(), "Erika Mustermann");
    EXPECT_EQ(file.GetSerialText(), "023021000484");
    EXPECT_EQ(file.GetShutterCount(), 12260);
  }
};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, IsoMedia, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

TEST_P(IsoMedia, Cr3ReadsItsThreeTiffBoxes) {
  const TCanonFile& file = Analyse(Cr3(GetParam(), R5Record()));
  EXPECT_EQ(file.Format, 5);
  ExpectR5(file);
  EXPECT_EQ(file.IntelOrder, GetParam() == Order::kLittle ? 1 : 0);
}

TEST_P(IsoMedia, Cr3TakesCanonsUuidBoxAfterOthersAndSurvivesADamagedHeader) {
  // Another uuid box in moov before Canon's.
  const Bytes with_other =
      Cr3(GetParam(), R5Record(), Box("uuid", Bytes().Zeros(16).Text("other")));
  ExpectR5(Analyse(with_other));

  // CMT1's header damaged: no line, and the maker note is still read.
  std::vector<std::uint8_t> damaged = with_other.data();
  const std::string cmt1 = "CMT1";
  const auto at = std::search(damaged.begin(), damaged.end(), cmt1.begin(), cmt1.end());
  ASSERT_NE(at, damaged.end());
  at[4] = 'X';
  std::FILE* sink = std::tmpfile();
  file_.Messages = sink;
  const TCanonFile& file = Analyse(Bytes().Raw(damaged));
  EXPECT_EQ(std::ftell(sink), 0) << "the header error lines are the JPEG's own";
  std::fclose(sink);
  EXPECT_EQ(file.GetModel(), "Canon EOS R5");
  EXPECT_EQ(file.GetShutterCount(), 12260);
}

TEST_P(IsoMedia, HeifFindsItsExifItemThroughEveryIlocVersion) {
  for (const HeifLayout& layout : {HeifLayout{0, false}, HeifLayout{1, false}, HeifLayout{2, false},
                                   HeifLayout{1, true}, HeifLayout{2, true}}) {
    const TCanonFile& file = Analyse(Heif(GetParam(), R5Record(), layout));
    EXPECT_EQ(file.Format, 6);
    ExpectR5(file);
    if (HasFailure())
      FAIL() << "iloc version " << int{layout.iloc_version} << " idat " << layout.in_idat;
  }
}

TEST_P(IsoMedia, HeifWithADamagedExifItemLeavesTheDefaultsAndPrintsNothing) {
  std::vector<std::uint8_t> raw = Heif(GetParam(), R5Record()).data();
  const std::string exif = "Exif";
  // The item's "Exif" 00 00; its TIFF header follows.
  auto at = std::search(raw.begin() + 40, raw.end(), exif.begin(), exif.end());
  at = std::search(at + 1, raw.end(), exif.begin(), exif.end());
  ASSERT_NE(at, raw.end());
  at[6] = 'X';
  std::FILE* sink = std::tmpfile();
  file_.Messages = sink;
  const TCanonFile& file = Analyse(Bytes().Raw(raw));
  EXPECT_EQ(std::ftell(sink), 0);
  std::fclose(sink);
  EXPECT_TRUE(file.IsValid());
  EXPECT_EQ(file.GetModel(), "----------");
  EXPECT_EQ(file.GetShutterCount(), 0);
}

// Where the box of this type starts (its size field), from `from` on.
std::size_t BoxStart(const Bytes& bytes, const std::string& type, std::size_t from = 0) {
  const auto& raw = bytes.data();
  const auto at = std::search(raw.begin() + static_cast<std::ptrdiff_t>(from), raw.end(),
                              type.begin(), type.end());
  EXPECT_NE(at, raw.end()) << type;
  return static_cast<std::size_t>(at - raw.begin()) - 4;
}

std::uint32_t BigEndianAt(const Bytes& bytes, std::size_t at) {
  const auto& raw = bytes.data();
  return std::uint32_t{raw[at]} << 24 | std::uint32_t{raw[at + 1]} << 16 |
         std::uint32_t{raw[at + 2]} << 8 | raw[at + 3];
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
  const auto& raw = bytes.data();
  return Bytes(Order::kBig)
      .Raw({raw.begin() + static_cast<std::ptrdiff_t>(from),
            raw.begin() + static_cast<std::ptrdiff_t>(std::min(to, raw.size()))});
}

// A CR3 whose moov box is rewritten: the bytes before it, then `header`,
// then moov's payload; the mdat box after it goes unless `keep_rest`.
Bytes WithMoovHeader(const Bytes& cr3, const Bytes& header, bool keep_rest = false) {
  const std::size_t moov = BoxStart(cr3, "moov");
  const std::size_t end = moov + BigEndianAt(cr3, moov);
  Bytes out = Slice(cr3, 0, moov).Append(header).Append(Slice(cr3, moov + 8, end));
  return keep_rest ? out.Append(Slice(cr3, end, cr3.size())) : out;
}

TEST_P(IsoMedia, BoxSizesOfEveryFormAndTheEndOfTheirList) {
  const Bytes cr3 = Cr3(GetParam(), R5Record());
  const std::uint32_t moov_size = BigEndianAt(cr3, BoxStart(cr3, "moov"));
  const auto large = [](std::uint64_t size) {
    return Bytes(Order::kBig)
        .U32(1)
        .Text("moov")
        .U32(static_cast<std::uint32_t>(size >> 32))
        .U32(static_cast<std::uint32_t>(size));
  };
  ExpectR5(Analyse(WithMoovHeader(cr3, large(moov_size + 8), true)));
  ExpectR5(Analyse(WithMoovHeader(cr3, Bytes(Order::kBig).U32(0).Text("moov"))),
           "size 0: to the end of the file");
  const Bytes past_the_end =
      WithMoovHeader(cr3, Bytes(Order::kBig).U32(moov_size + 8).Text("moov"));
  EXPECT_EQ(Analyse(past_the_end).GetModel(), "----------");
  EXPECT_EQ(file_.GetShutterCount(), 0);

  // Boxes before moov, the ftyp box the first: the 256th box is looked at,
  // the 257th is not.
  const std::size_t moov = BoxStart(cr3, "moov");
  const auto after_boxes = [&](int boxes) {
    Bytes out = Slice(cr3, 0, moov);
    for (int i = 0; i < boxes; ++i) out.Append(Box("free", Bytes()));
    return out.Append(Slice(cr3, moov, cr3.size()));
  };
  ExpectR5(Analyse(after_boxes(1)));
  ExpectR5(Analyse(after_boxes(254)));
  EXPECT_EQ(Analyse(after_boxes(255)).GetModel(), "----------");
}

TEST_P(IsoMedia, Cr3MoovOfA64BitSizeBeyond4GiB) {
  // A sparse file: moov holds Canon's box and then 4 GiB of nothing. Its
  // size's low 32 bits alone (8) would be smaller than its header.
  const Bytes cr3 = Cr3(GetParam(), R5Record());
  constexpr std::uint64_t kSize = (1ull << 32) + 8;
  const Bytes head = WithMoovHeader(cr3, Bytes(Order::kBig).U32(1).Text("moov").U32(1).U32(8));
  const auto path = dir_.Write("big.cr3", head);
  WriteAt(path, BoxStart(cr3, "moov") + kSize - 1, Bytes().U8(0));
  file_.Init(NameOf(path));
  file_.Analyse();
  ExpectR5(file_);
}

TEST_P(IsoMedia, ABoxListEndingAtABlockBoundaryFetchesNoMoreBlocks) {
  // Canon's box, moov's last, made to end at 32768, where the reader's
  // first read ends, by a free box before it; the list of Canon's boxes is
  // read to its end.
  constexpr std::size_t kFirstRead = 8 * 4096;
  const Bytes plain = Cr3(GetParam());
  const std::size_t moov_end =
      BoxStart(plain, "moov") + BigEndianAt(plain, BoxStart(plain, "moov"));
  const Bytes cr3 =
      Cr3(GetParam(), CanonRecord{}, Box("free", Bytes().Zeros(kFirstRead - moov_end - 8)));
  ASSERT_EQ(BoxStart(cr3, "mdat"), kFirstRead);
  EXPECT_EQ(Analyse(cr3).GetShutterCount(), 135393);
  EXPECT_EQ(file_.DataFile.BytesRead(), kFirstRead);
}

TEST_P(IsoMedia, Cr3TakesTheCanonBoxThatHoldsTheTiffBoxes) {
  const Bytes canon_id = Slice(Cr3(GetParam()), BoxStart(Cr3(GetParam()), "uuid") + 8,
                               BoxStart(Cr3(GetParam()), "uuid") + 24);
  ExpectR5(Analyse(Cr3(GetParam(), R5Record(), Box("uuid", canon_id))),
           "a Canon box of its ID alone first");
  ExpectR5(Analyse(Cr3(GetParam(), R5Record(), Box("uuid", Bytes().Zeros(4)))),
           "a uuid box of four bytes first");
  // Four Canon boxes are looked into, not five.
  const Bytes empty_canon = Box("uuid", canon_id);
  const Bytes three = Bytes().Append(empty_canon).Append(empty_canon).Append(empty_canon);
  ExpectR5(Analyse(Cr3(GetParam(), R5Record(), three)), "the fourth Canon box");
  EXPECT_EQ(Analyse(Cr3(GetParam(), R5Record(), Bytes(three).Append(empty_canon))).GetModel(),
            "----------");
}

TEST_P(IsoMedia, Cr3TiffBoxesEachWithItsOwnHeader) {
  const Order order = GetParam();
  const Order other = order == Order::kBig ? Order::kLittle : Order::kBig;
  const CanonDirectories d = CanonTiffDirectories(order, R5Record());
  const auto cr3 = [&](const Bytes& cmt1, const Bytes& cmt2, const Bytes& cmt3) {
    return Cr3Of({Box("CMT1", cmt1), Box("CMT2", cmt2), cmt3});
  };
  // The body serial number in CMT1 alone.
  std::vector<Field> main = d.main;
  main.insert(main.end(), d.exif.begin(), d.exif.end());
  ExpectR5(Analyse(
      cr3(TiffOf(order, {main}), TiffOf(order, {{}}), Box("CMT3", TiffOf(order, {d.maker_note})))));
  // CMT1 in one byte order, CMT2 and CMT3 in the other.
  const CanonDirectories o = CanonTiffDirectories(other, R5Record());
  ExpectR5(Analyse(cr3(TiffOf(order, {d.main}), TiffOf(other, {o.exif}),
                       Box("CMT3", TiffOf(other, {o.maker_note})))));
  // The first box of each kind counts.
  ExpectR5(
      Analyse(Cr3Of({Box("CMT1", TiffOf(order, {d.main})), Box("CMT2", TiffOf(order, {d.exif})),
                     Box("CMT3", TiffOf(order, {d.maker_note})), Box("CMT3", TiffOf(order, {{}})),
                     Box("CMT2", TiffOf(order, {{}}))})),
      "a second CMT3 and CMT2");
  // CMT3's directory at 16, not 8.
  const Bytes at_16 =
      TiffHeader(order, 16).Zeros(8).Append(DirectoriesAt(order, 16, {d.maker_note}));
  ExpectR5(Analyse(cr3(TiffOf(order, {d.main}), TiffOf(order, {d.exif}), Box("CMT3", at_16))));
  // A CMT3 box of its 8-byte header alone, the directory after the box: a
  // maker note must lie inside its box. Seven bytes cannot hold the header.
  const Bytes note = TiffOf(order, {d.maker_note});
  const auto cut_box = [&](std::uint32_t payload) {
    return Bytes(Order::kBig).U32(8 + payload).Text("CMT3").Append(note);
  };
  for (const std::uint32_t payload : {7u, 8u}) {
    const TCanonFile& file =
        Analyse(cr3(TiffOf(order, {d.main}), TiffOf(order, {d.exif}), cut_box(payload)));
    EXPECT_EQ(file.GetModel(), "----------") << payload;
    EXPECT_EQ(file.GetShutterCount(), 0) << payload;
    EXPECT_EQ(file.GetSerialText(), "023021000484") << payload;
  }
}

// The iloc box's field at `after` bytes past its type.
Bytes WithIlocByte(Bytes heif, std::size_t after, std::uint8_t value) {
  std::vector<std::uint8_t> raw = heif.data();
  raw[BoxStart(heif, "iloc") + 4 + after] = value;
  return Bytes(Order::kBig).Raw(raw);
}

TEST_P(IsoMedia, HeifItemLocationsOfEveryFieldSize) {
  const Order order = GetParam();
  HeifLayout wide;
  wide.field_size = 8;
  ExpectR5(Analyse(Heif(order, R5Record(), wide)));
  // An offset past 4 GiB, in a sparse file.
  wide.exif_offset = (1ull << 32) + 0x100;
  const auto path = dir_.Write("big.hif", Heif(order, R5Record(), wide));
  WriteAt(path, *wide.exif_offset, HeifExifItem(order, R5Record()));
  file_.Init(NameOf(path));
  file_.Analyse();
  ExpectR5(file_);

  const Bytes heif = Heif(order, R5Record());
  HeifLayout version_2;
  version_2.iloc_version = 2;
  struct {
    const char* what;
    Bytes heif;
    std::size_t after;
    std::uint8_t value;
  } const damaged[] = {
      {"iloc of version 3, laid out as 2", Heif(order, R5Record(), version_2), 4, 3},
      {"a length of 5 bytes", heif, 8, 0x45},
      {"a length of 2 bytes", heif, 8, 0x42},
  };
  for (const auto& c : damaged) {
    EXPECT_EQ(Analyse(WithIlocByte(c.heif, c.after, c.value)).GetModel(), "----------") << c.what;
    EXPECT_TRUE(file_.IsValid()) << c.what;
  }
  // The box ends 4 bytes before the Exif extent's length, its last field.
  Bytes short_iloc = heif;
  const std::size_t iloc = BoxStart(heif, "iloc");
  short_iloc.SetOrder(Order::kBig).PutU32At(iloc, BigEndianAt(heif, iloc) - 4);
  EXPECT_EQ(Analyse(short_iloc).GetModel(), "----------");
}

TEST_P(IsoMedia, HeifItemListsOfEveryForm) {
  const auto found = [&](const HeifLayout& layout) {
    return Analyse(Heif(GetParam(), R5Record(), layout)).GetShutterCount() == 12260;
  };
  HeifLayout layout;
  layout.iinf_version = 1;
  EXPECT_TRUE(found(layout)) << "iinf of version 1";
  layout = HeifLayout{};
  layout.decoy_infe = true;
  EXPECT_TRUE(found(layout)) << "an entry of version 0 first";
  layout = HeifLayout{};
  layout.coded_image = false;
  EXPECT_TRUE(found(layout)) << "the Exif item alone";
  layout.located_before = 255;
  EXPECT_TRUE(found(layout)) << "the 256th item located";
  layout.located_before = 256;
  EXPECT_FALSE(found(layout)) << "the 257th";
  // Only the first iinf, iloc and idat count.
  layout = HeifLayout{};
  layout.in_meta_after = Box("iinf", Bytes().Zeros(3)).Append(Box("iloc", Bytes().Zeros(3)));
  EXPECT_TRUE(found(layout));
  layout.in_idat = true;
  layout.in_meta_after = Box("iloc", Bytes().Zeros(3)).Append(Box("free", Bytes()));
  EXPECT_TRUE(found(layout));
}

TEST_P(IsoMedia, HeifItemInIdatMustStartInsideIt) {
  HeifLayout layout;
  layout.in_idat = true;
  layout.exif_offset = 8;  // after the eight other bytes
  EXPECT_EQ(Analyse(Heif(GetParam(), R5Record(), layout)).GetShutterCount(), 12260);
  // At the end of idat, where an Exif item stands after it.
  layout.exif_offset = 8 + HeifExifItem(GetParam(), R5Record()).size();
  layout.in_meta_after = HeifExifItem(GetParam(), R5Record());
  EXPECT_EQ(Analyse(Heif(GetParam(), R5Record(), layout)).GetModel(), "----------");
}

TEST(IsoMediaRecognition, TheBrandsOfTheFtypBoxTellCr3AndHeifFromOtherFiles) {
  struct {
    const char* major;
    std::string compatible;
    std::int32_t format;
  } const cases[] = {
      {"crx ", "crx isom", 5},     {"heic", "mif1heic", 6}, {"heix", "", 6}, {"mif1", "", 6},
      {"msf1", "isomheix", 6},      // a compatible brand is enough
      {"isom", "isomiso2mp41", 0},  // an MP4 video
      {"qt  ", "qt  ", 0},
  };
  TempDir dir;
  TCanonFile file;
  for (const auto& c : cases) {
    Bytes bytes = Box("ftyp", Bytes().Text(c.major).U32(0).Text(c.compatible));
    bytes.Append(Box("mdat", Bytes().Zeros(8)));
    file.Init(NameOf(dir.Write("file", bytes)));
    file.Analyse();
    EXPECT_EQ(file.Format, c.format) << c.major;
    EXPECT_EQ(file.IsValid(), c.format != 0) << c.major;
  }
  // Brands past the end of the ftyp box are no brands of it, nor is one the
  // box cuts after three bytes; 64 brands are looked at, not 65.
  const auto recognised = [&](const std::string& brands, std::uint32_t cut) {
    Bytes bytes = Box("ftyp", Bytes().Text("isom").U32(0).Text(brands));
    bytes.PutU32At(0, static_cast<std::uint32_t>(bytes.size()) - cut);
    file.Init(NameOf(dir.Write("file", bytes.Zeros(8))));
    file.Analyse();
    return file.IsValid();
  };
  Bytes bytes = Box("ftyp", Bytes().Text("isom").U32(0));
  bytes.Text("heic");
  file.Init(NameOf(dir.Write("file", bytes)));
  file.Analyse();
  EXPECT_FALSE(file.IsValid());
  EXPECT_TRUE(recognised("isomheic", 0));
  EXPECT_FALSE(recognised("isomheic", 1));
  std::string brands;
  for (int i = 0; i < 63; ++i) brands += "isom";
  EXPECT_TRUE(recognised(brands + "heic", 0)) << "the 64th brand";
  EXPECT_FALSE(recognised(brands + "isomheic", 0)) << "the 65th";
}

}  // namespace
