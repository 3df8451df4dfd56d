#include "tests/file_builder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

namespace testfile {

Bytes& Bytes::U8(std::uint32_t v) {
  data_.push_back(static_cast<std::uint8_t>(v & 0xFF));
  return *this;
}

Bytes& Bytes::U16(std::uint32_t v) {
  if (order_ == Order::kLittle) return U8(v).U8(v >> 8);
  return U8(v >> 8).U8(v);
}

Bytes& Bytes::U32(std::uint32_t v) {
  if (order_ == Order::kLittle) return U16(v).U16(v >> 16);
  return U16(v >> 16).U16(v);
}

Bytes& Bytes::Words(std::initializer_list<std::uint16_t> words) {
  for (std::uint16_t w : words) U16(w);
  return *this;
}

Bytes& Bytes::Text(const std::string& text) {
  for (char c : text) data_.push_back(static_cast<std::uint8_t>(c));
  return *this;
}

Bytes& Bytes::Raw(const std::vector<std::uint8_t>& bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes& Bytes::Zeros(std::size_t count) {
  data_.resize(data_.size() + count, 0);
  return *this;
}

Bytes& Bytes::Append(const Bytes& other) {
  data_.insert(data_.end(), other.data_.begin(), other.data_.end());
  return *this;
}

Bytes& Bytes::PadTo(std::size_t size) {
  if (data_.size() < size) data_.resize(size, 0);
  return *this;
}

void Bytes::PutU32At(std::size_t at, std::uint32_t v) {
  Bytes word(order_);
  word.U32(v);
  PadTo(at + 4);
  std::copy(word.data_.begin(), word.data_.end(), data_.begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes TiffHeader(Order order, std::uint32_t first_directory) {
  Bytes out(order);
  out.Text(order == Order::kLittle ? "II" : "MM").U16(42).U32(first_directory);
  return out;
}

void AppendDirectory(Bytes& out, const std::vector<Entry>& entries, std::uint32_t next) {
  out.U16(static_cast<std::uint32_t>(entries.size()));
  for (const Entry& e : entries) out.U16(e.tag).U16(e.type).U32(e.count).U32(e.value);
  out.U32(next);
}

namespace {

std::uint32_t DirectorySize(std::size_t entries) {
  return static_cast<std::uint32_t>(2 + 12 * entries + 4);
}

}  // namespace

Bytes DirectoriesAt(Order order, std::uint32_t at,
                    const std::vector<std::vector<Field>>& directories) {
  std::vector<std::uint32_t> starts;
  std::uint32_t data_at = at;
  for (const auto& directory : directories) {
    starts.push_back(data_at);
    data_at += DirectorySize(directory.size());
  }
  Bytes out(order);
  Bytes data(order);
  for (const auto& directory : directories) {
    std::vector<Entry> entries;
    for (const Field& f : directory) {
      std::uint32_t value = f.link >= 0 ? starts[static_cast<std::size_t>(f.link)] : f.value;
      if (f.in_entry) {
        // Four bytes as they stand, whatever the byte order.
        std::array<std::uint8_t, 4> b{};
        std::copy_n(f.data.begin(), std::min<std::size_t>(4, f.data.size()), b.begin());
        value = order == Order::kBig ? std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                                           std::uint32_t{b[2]} << 8 | b[3]
                                     : std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 |
                                           std::uint32_t{b[1]} << 8 | b[0];
      } else if (!f.data.empty()) {
        value = data_at + static_cast<std::uint32_t>(data.size());
        data.Raw(f.data).PadTo((data.size() + 1) / 2 * 2);
      }
      entries.push_back({f.tag, f.type, f.count, value});
    }
    AppendDirectory(out, entries, 0);
  }
  return out.Append(data);
}

Field AsciiField(std::uint16_t tag, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  const auto count = static_cast<std::uint32_t>(data.size());
  return {tag, kAscii, count, 0, data, -1, count <= 4};
}

Bytes TiffOf(Order order, const std::vector<std::vector<Field>>& directories) {
  return TiffHeader(order, 8).Append(DirectoriesAt(order, 8, directories));
}

namespace {

// Canon keeps its strings in fixed fields of at least 32 bytes.
Field TextField(std::uint16_t tag, const std::string& text) {
  const auto size = std::max<std::uint32_t>(32, static_cast<std::uint32_t>(text.size() + 1));
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.resize(size, 0);
  return {tag, kAscii, size, 0, data};
}

std::vector<Field> MainFields() {
  return {TextField(kTagMake, "Canon")};
}

std::vector<Field> ExifFields(const CanonRecord& record) {
  if (record.body_serial.empty()) return {};
  // Written as it stands, with its terminating zero.
  return {AsciiField(kTagBodySerial, record.body_serial)};
}

std::vector<Field> MakerNoteFields(Order order, const CanonRecord& record) {
  std::vector<Field> fields = {TextField(kTagModel, record.model),
                               TextField(kTagFirmware, record.firmware),
                               TextField(kTagOwner, record.owner)};
  if (record.serial) fields.push_back({kTagSerial, kLong, 1, *record.serial});
  if (record.camera_info) {
    const CameraInfo& info = *record.camera_info;
    Bytes bytes(order);
    bytes.PadTo(std::max(info.size, info.at + 4)).PutU32At(info.at, info.value);
    std::vector<std::uint8_t> data = bytes.data();
    data.resize(info.size);
    fields.push_back({kTagCameraInfo, kUndefined, info.size, 0, data});
  }
  if (record.model_id) fields.push_back({kTagModelId, kLong, 1, *record.model_id});
  Bytes words(order);
  for (std::uint16_t w : record.counter) words.U16(w);
  fields.push_back({kTagCounter, kShort, 9, 0, words.data()});
  return fields;
}

}  // namespace

CanonRecord EosR5Record() {
  CanonRecord record;
  record.model = "Canon EOS R5";
  record.model_id = 0x80000421;
  record.serial.reset();
  record.body_serial = "023021000484";
  record.camera_info = CameraInfo{0x1000, 0x0AF1, 12260};
  return record;
}

Bytes CanonTiff(Order order, const CanonRecord& record) {
  std::vector<Field> main = MainFields();
  main.push_back({kTagExif, kLong, 1, 0, {}, 1});
  const std::vector<Field> maker_note = MakerNoteFields(order, record);
  std::vector<Field> exif = {
      {kTagMakerNote, kUndefined, DirectorySize(maker_note.size()), 0, {}, 2}};
  for (const Field& f : ExifFields(record)) exif.push_back(f);
  return TiffOf(order, {main, exif, maker_note});
}

Bytes MakerTiff(Order order, const MakerFile& file) {
  std::vector<Field> main;
  if (!file.make.empty()) main.push_back(AsciiField(kTagMake, file.make));
  if (!file.model.empty()) main.push_back(AsciiField(kTagTiffModel, file.model));
  main.insert(main.end(), file.main.begin(), file.main.end());
  main.push_back({kTagExif, kLong, 1, 0, {}, 1});
  std::vector<Field> exif = file.exif;
  const auto size = static_cast<std::uint32_t>(file.note.size());
  exif.push_back({kTagMakerNote, kUndefined, file.note_size.value_or(size), kMakerNoteAt});
  Bytes out = TiffOf(order, {main, exif});
  if (out.size() > kMakerNoteAt) throw std::logic_error("the directories reach the maker note");
  return out.PadTo(kMakerNoteAt).Append(file.note);
}

Bytes MakerNote(Order order, const Bytes& header, const std::vector<Field>& fields,
                std::int32_t origin) {
  const auto at = static_cast<std::uint32_t>(origin + static_cast<std::int32_t>(header.size()));
  return Bytes(order).Append(header).Append(DirectoriesAt(order, at, {fields}));
}

Bytes MakerNoteOf(Order order, const Bytes& header,
                  const std::vector<std::vector<Field>>& directories, std::int32_t origin) {
  const auto at = static_cast<std::uint32_t>(origin + static_cast<std::int32_t>(header.size()));
  return Bytes(order).Append(header).Append(DirectoriesAt(order, at, directories));
}

Bytes CanonFooter(Order order, std::uint32_t written_at) {
  Bytes out(order);
  return out.Text(order == Order::kLittle ? "II" : "MM").U16(42).U32(written_at);
}

Field DngPrivateData(const Bytes& data) {
  return {0xC634, kByte, static_cast<std::uint32_t>(data.size()), 0, data.data()};
}

Bytes AdobePrivateData(const std::vector<std::pair<std::string, Bytes>>& records) {
  Bytes out(Order::kBig);
  out.Text("Adobe").U8(0);
  for (const auto& [type, bytes] : records) {
    out.Text(type).U32(static_cast<std::uint32_t>(bytes.size())).Append(bytes);
    out.PadTo((out.size() + 1) / 2 * 2);
  }
  return out;
}

Bytes MakerNoteRecord(Order note_order, std::uint32_t original_offset, const Bytes& note,
                      bool long_header) {
  Bytes out(Order::kBig);
  out.Text(note_order == Order::kLittle ? "II" : "MM").U32(original_offset);
  if (long_header) out.U32(1).Zeros(8);
  return out.Append(note);
}

Bytes NikonNote(Order order, const std::vector<Field>& fields) {
  Bytes header(order);
  header.Text("Nikon").Raw({0, 2, 0x10, 0, 0}).Append(TiffHeader(order, 8));
  return MakerNote(order, header, fields, -10);
}

Bytes Box(const std::string& type, const Bytes& payload) {
  Bytes out(Order::kBig);
  out.U32(static_cast<std::uint32_t>(8 + payload.size())).Text(type);
  return out.Append(payload);
}

CanonDirectories CanonTiffDirectories(Order order, const CanonRecord& record) {
  return {MainFields(), ExifFields(record), MakerNoteFields(order, record)};
}

Bytes Cr3Of(const std::vector<Bytes>& in_canon_box, const Bytes& before) {
  Bytes canon(Order::kBig);
  canon.Raw({0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0, 0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b,
             0x6a, 0x48});
  for (const Bytes& box : in_canon_box) canon.Append(box);
  Bytes out = Box("ftyp", Bytes().Text("crx ").U32(1).Text("crx isom"));
  out.Append(Box("moov", Bytes(before).Append(Box("uuid", canon))));
  return out.Append(Box("mdat", Bytes().Zeros(64)));
}

Bytes Cr3(Order order, const CanonRecord& record, const Bytes& before) {
  const CanonDirectories d = CanonTiffDirectories(order, record);
  return Cr3Of({Box("CNCV", Bytes().Text("CanonCR3_001/00.10.00/00.00.00")),
                Box("CMT1", TiffOf(order, {d.main})), Box("CMT2", TiffOf(order, {d.exif})),
                Box("CMT3", TiffOf(order, {d.maker_note}))},
               before);
}

namespace {

Bytes FullBox(const std::string& type, std::uint8_t version, const Bytes& payload) {
  Bytes body(Order::kBig);
  body.U8(version).Zeros(3).Append(payload);
  return Box(type, body);
}

constexpr std::uint32_t kCodedImageItem = 1;
constexpr std::uint32_t kExifItem = 2;
constexpr std::uint32_t kLocatedOnlyItems = 1000;  // IDs of the items iloc alone lists

// The item info and item location boxes for a coded image (item 1, in two
// extents) and the Exif item (item 2) at base + offset, and the idat box.
Bytes HeifMeta(const HeifLayout& layout, std::uint64_t base, std::uint64_t offset,
               std::uint32_t length, const Bytes& idat) {
  const std::uint8_t v = layout.iloc_version;
  const auto number = [](Bytes& out, std::uint32_t bytes, std::uint64_t value) {
    if (bytes == 8) out.U32(static_cast<std::uint32_t>(value >> 32));
    if (bytes == 2) {
      out.U16(static_cast<std::uint32_t>(value));
    } else {
      out.U32(static_cast<std::uint32_t>(value));
    }
  };
  const std::uint32_t id_size = v == 2 ? 4 : 2;
  const auto infe = [&](std::uint32_t id, const std::string& type) {
    Bytes entry(Order::kBig);
    number(entry, id_size, id);
    // Version 3 for 32-bit item IDs alongside iloc version 2.
    return FullBox("infe", v == 2 ? 3 : 2, entry.U16(0).Text(type).U8(0));
  };
  Bytes entries(Order::kBig);
  std::uint32_t entry_count = 1;
  if (layout.decoy_infe) {
    // Version 0: ID, protection index, then the item's name, here reading
    // "Exif" where a version 2 or 3 entry's item type stands.
    for (const char* name : {"Exif", "--Exif"}) {
      Bytes decoy(Order::kBig);
      entries.Append(FullBox("infe", 0, decoy.U16(kCodedImageItem).U16(0).Text(name).U8(0)));
      ++entry_count;
    }
  } else if (layout.coded_image) {
    entries.Append(infe(kCodedImageItem, "hvc1"));
    ++entry_count;
  }
  entries.Append(infe(kExifItem, "Exif"));
  Bytes iinf(Order::kBig);
  number(iinf, layout.iinf_version == 0 ? 2 : 4, entry_count);
  iinf.Append(entries);

  Bytes iloc(Order::kBig);
  const std::uint8_t f = layout.field_size;
  iloc.U8(static_cast<std::uint32_t>(f << 4 | f))
      .U8(v >= 1 ? 0x44 : 0x40);  // bases (and indexes) of 4 bytes
  const auto item = [&](std::uint32_t id, std::uint16_t method, std::uint32_t item_base,
                        const std::vector<std::array<std::uint64_t, 2>>& extents) {
    number(iloc, id_size, id);
    if (v >= 1) iloc.U16(method);
    iloc.U16(0).U32(item_base).U16(static_cast<std::uint32_t>(extents.size()));
    for (const auto& extent : extents) {
      if (v >= 1) iloc.U32(0);
      number(iloc, f, extent[0]);
      number(iloc, f, extent[1]);
    }
  };
  const bool coded = layout.coded_image || layout.decoy_infe;
  number(iloc, id_size, (coded ? 2 : 1) + layout.located_before);
  if (coded) item(kCodedImageItem, 0, 0, {{0, 16}, {16, 16}});
  for (std::uint32_t i = 0; i < layout.located_before; ++i) {
    item(kLocatedOnlyItems + i, 0, 0, {{0, 16}});
  }
  item(kExifItem, layout.in_idat ? 1 : 0, static_cast<std::uint32_t>(base), {{offset, length}});

  Bytes meta(Order::kBig);
  meta.Append(FullBox("hdlr", 0, Bytes().U32(0).Text("pict").Zeros(13)));
  meta.Append(FullBox("iinf", layout.iinf_version, iinf)).Append(FullBox("iloc", v, iloc));
  if (idat.size() > 0) meta.Append(Box("idat", idat));
  meta.Append(layout.in_meta_after);
  return FullBox("meta", 0, meta);
}

}  // namespace

Bytes HeifExifItem(Order order, const CanonRecord& record) {
  Bytes item(Order::kBig);
  return item.U32(6).Text("Exif").Zeros(2).Append(CanonTiff(order, record));
}

Bytes Heif(Order order, const CanonRecord& record, const HeifLayout& layout) {
  const Bytes item = HeifExifItem(order, record);
  const auto length = static_cast<std::uint32_t>(item.size());
  Bytes out = Box("ftyp", Bytes().Text("heix").U32(0).Text("mif1heix"));
  if (layout.in_idat) {
    // Eight other bytes before the item in idat: base 4 + offset 4.
    const Bytes idat = Bytes().Zeros(8).Append(item);
    if (layout.exif_offset)
      return out.Append(HeifMeta(layout, 0, *layout.exif_offset, length, idat));
    return out.Append(HeifMeta(layout, 4, 4, length, idat));
  }
  if (layout.exif_offset)
    return out.Append(HeifMeta(layout, 0, *layout.exif_offset, length, Bytes()));
  // The item in an mdat box after meta, whose size does not depend on where.
  const auto meta_size = static_cast<std::uint32_t>(HeifMeta(layout, 0, 0, 0, Bytes()).size());
  const auto at = static_cast<std::uint32_t>(out.size()) + meta_size + 8;
  out.Append(HeifMeta(layout, at - 100, 100, length, Bytes()));
  return out.Append(Box("mdat", item));
}

std::vector<std::uint8_t> U32Bytes(Order order, std::uint32_t value) {
  return Bytes(order).U32(value).data();
}

namespace {

// Each record's data in order, then the directory, then its offset.
Bytes CiffHeap(Order order, const std::vector<CiffRecord>& records) {
  Bytes heap(order);
  std::vector<std::array<std::uint32_t, 2>> places;  // size, offset
  for (const CiffRecord& r : records) {
    if ((r.tag & 0xC000) == 0x4000) {
      places.push_back({0, 0});
      continue;
    }
    const std::size_t at = heap.size();
    if (r.children.empty()) {
      heap.Raw(r.data);
    } else {
      heap.Append(CiffHeap(order, r.children));
    }
    places.push_back({static_cast<std::uint32_t>(heap.size() - at) + r.size_past,
                      static_cast<std::uint32_t>(at)});
  }
  const auto directory = static_cast<std::uint32_t>(heap.size());
  heap.U16(static_cast<std::uint32_t>(records.size()));
  for (std::size_t i = 0; i < records.size(); ++i) {
    heap.U16(records[i].tag);
    if ((records[i].tag & 0xC000) == 0x4000) {
      std::vector<std::uint8_t> in_record = records[i].data;
      in_record.resize(8, 0);
      heap.Raw(in_record);
    } else {
      heap.U32(places[i][0]).U32(places[i][1]);
    }
  }
  return heap.U32(directory);
}

}  // namespace

Bytes CiffWithHeap(Order order, const std::vector<CiffRecord>& root) {
  Bytes out(order);
  out.Text(order == Order::kLittle ? "II" : "MM").U32(26).Text("HEAPCCDR").U32(0x00010002);
  return out.Zeros(8).Append(CiffHeap(order, root));
}

Bytes Jpeg(const Bytes& tiff, bool with_app0) {
  Bytes out(Order::kBig);
  out.U16(0xFFD8);
  if (with_app0) out.U16(0xFFE0).U16(16).Text("JFIF").Zeros(10);
  out.U16(0xFFE1).U16(static_cast<std::uint32_t>(2 + 6 + tiff.size())).Text("Exif").Zeros(2);
  out.Append(tiff);
  out.U16(0xFFD9);
  return out;
}

Bytes WithTiffMagic(const Bytes& tiff, std::uint16_t magic) {
  std::vector<std::uint8_t> bytes = tiff.data();
  Bytes word(tiff.order());
  word.U16(magic);
  std::copy(word.data().begin(), word.data().end(), bytes.begin() + 2);
  return Bytes(tiff.order()).Raw(bytes);
}

Bytes Raf(const Bytes& jpeg, std::optional<std::uint32_t> offset,
          std::optional<std::uint32_t> length) {
  constexpr std::uint32_t kJpegAt = 0x94;
  Bytes out(Order::kBig);
  out.Text("FUJIFILMCCD-RAW 0201FF392201FinePix S5Pro").PadTo(0x3C).Text("0106").PadTo(84);
  out.U32(offset.value_or(kJpegAt)).U32(length.value_or(static_cast<std::uint32_t>(jpeg.size())));
  return out.PadTo(kJpegAt).Append(jpeg);
}

Bytes Mrw(const std::vector<MrwBlock>& blocks, std::optional<std::uint32_t> blocks_length) {
  Bytes all(Order::kBig);
  for (const MrwBlock& block : blocks) {
    all.Text(block.name)
        .U32(block.length.value_or(static_cast<std::uint32_t>(block.content.size())));
    all.Append(block.content);
  }
  Bytes out(Order::kBig);
  out.U8(0).Text("MRM").U32(blocks_length.value_or(static_cast<std::uint32_t>(all.size())));
  return out.Append(all);
}

MrwBlock MrwTiffBlock(const std::string& model) {
  return {std::string("\0TTW", 4),
          TiffOf(Order::kBig, {{AsciiField(kTagMake, "Konica Minolta Camera, Inc."),
                                AsciiField(kTagTiffModel, model)}})};
}

Bytes X3f(const std::vector<std::pair<std::string, Bytes>>& sections) {
  Bytes out(Order::kLittle);
  out.Text("FOVb").U32(0x00020003).Text("01008382").PadTo(kX3fSections);
  Bytes directory(Order::kLittle);
  directory.Text("SECd").U32(0x00020000).U32(static_cast<std::uint32_t>(sections.size()));
  for (const auto& [type, bytes] : sections) {
    directory.U32(static_cast<std::uint32_t>(out.size()))
        .U32(static_cast<std::uint32_t>(bytes.size()))
        .Text(type);
    out.Append(bytes);
  }
  const auto directory_at = static_cast<std::uint32_t>(out.size());
  return out.Append(directory).U32(directory_at);
}

Bytes X3fProperties(const std::vector<std::pair<std::string, std::string>>& properties) {
  Bytes pairs(Order::kLittle);
  Bytes strings(Order::kLittle);
  const auto utf16 = [&](const std::string& text) {
    pairs.U32(static_cast<std::uint32_t>(strings.size() / 2));
    for (const char c : text) strings.U16(static_cast<std::uint8_t>(c));
    strings.U16(0);
  };
  for (const auto& [name, value] : properties) {
    utf16(name);
    utf16(value);
  }
  Bytes out(Order::kLittle);
  out.Text("SECp").U32(0x00020000).U32(static_cast<std::uint32_t>(properties.size())).U32(0);
  out.U32(0).U32(static_cast<std::uint32_t>(strings.size() / 2));
  return out.Append(pairs).Append(strings);
}

Bytes PhaseOneNote(Order order, const std::vector<PhaseOneEntry>& entries,
                   std::optional<std::uint32_t> directory_at, std::optional<std::uint32_t> count) {
  constexpr std::uint32_t kDirectoryAt = 12;
  const auto texts_at = static_cast<std::uint32_t>(kDirectoryAt + 8 + 16 * entries.size());
  Bytes directory(order);
  directory.U32(count.value_or(static_cast<std::uint32_t>(entries.size()))).U32(0);
  Bytes texts(order);
  for (const PhaseOneEntry& entry : entries) {
    const auto size = static_cast<std::uint32_t>(entry.text.size());
    directory.U32(entry.tag).U32(1).U32(size);
    if (size <= 4) {
      directory.Text(entry.text).Zeros(4 - size);
    } else {
      directory.U32(texts_at + static_cast<std::uint32_t>(texts.size()));
      texts.Text(entry.text);
    }
  }
  Bytes out(order);
  out.Text(order == Order::kLittle ? "IIII" : "MMMM")
      .Text(order == Order::kLittle ? "CwaR" : "RawC");
  out.U32(directory_at.value_or(kDirectoryAt));
  return out.Append(directory).Append(texts);
}

Bytes JpegAfter(const std::vector<Segment>& before, const Bytes& tiff) {
  Bytes out(Order::kBig);
  out.U16(0xFFD8);
  for (const Segment& segment : before) {
    out.U16(segment.marker).U16(static_cast<std::uint32_t>(2 + segment.payload.size()));
    out.Append(segment.payload);
  }
  out.U16(0xFFE1).U16(static_cast<std::uint32_t>(2 + 6 + tiff.size())).Text("Exif").Zeros(2);
  return out.Append(tiff).U16(0xFFD9);
}

Bytes Ciff(Order order, std::size_t size, std::uint32_t anchor_value, std::uint32_t serial,
           std::uint16_t exposures) {
  constexpr std::uint32_t kHeaderLength = 26;
  Bytes out(order);
  out.Text(order == Order::kLittle ? "II" : "MM").U32(kHeaderLength).Text("HEAPCCDR");
  const std::size_t anchor = anchor_value + kHeaderLength;
  out.PadTo(anchor + 566).U32(serial).PadTo(anchor + 662).U16(exposures);
  out.PadTo(size - 8).U32(anchor_value).PadTo(size);
  return out;
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("auslomat-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const Bytes& bytes) const {
  return Write(name, bytes.data());
}

std::filesystem::path TempDir::Write(const std::string& name,
                                     const std::vector<std::uint8_t>& b) const {
  const std::filesystem::path file = path_ / std::filesystem::u8path(name);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  if (!out) throw std::runtime_error("cannot write test file");
  return file;
}

void WriteAt(const std::filesystem::path& path, std::uint64_t offset, const Bytes& bytes) {
  if (std::filesystem::file_size(path) < offset) std::filesystem::resize_file(path, offset);
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(offset));
  out.write(reinterpret_cast<const char*>(bytes.data().data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot patch test file");
}

camerafile::TFileName NameOf(const std::filesystem::path& path) {
  return path.native();
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32
namespace {
// Starts the program directly, without cmd.exe in between, with these
// standard input and output handles; returns the process, or nullptr.
HANDLE Start(const std::vector<std::filesystem::path>& args, HANDLE in, HANDLE out) {
  std::wstring command = L"\"" + std::filesystem::path(AUSLOMAT_EXE).wstring() + L"\"";
  for (const auto& arg : args) command += L" \"" + arg.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// The program's "\r\n" line ends as "\n", for comparisons.
std::string WithNewlines(const std::string& out) {
  std::string normalised;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;
    normalised.push_back(out[i]);
  }
  return normalised;
}
}  // namespace

// Standard input on NUL, standard output on a pipe.
RunResult RunAuslomat(const std::vector<std::filesystem::path>& args) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  const HANDLE process = Start(args, nul, write_end);
  CloseHandle(write_end);
  CloseHandle(nul);
  if (process != nullptr) {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0)
      result.out.append(buffer, n);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process);
  }
  CloseHandle(read_end);
  result.out = WithNewlines(result.out);
  return result;
}

RunningAuslomat::RunningAuslomat(const std::filesystem::path& file) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read = nullptr;
  HANDLE out_write = nullptr;
  if (!CreatePipe(&in_read, &to_, &inherit, 0)) return;
  if (!CreatePipe(&from_, &out_write, &inherit, 0)) return;
  SetHandleInformation(to_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(from_, HANDLE_FLAG_INHERIT, 0);
  process_ = Start({file}, in_read, out_write);
  CloseHandle(in_read);
  CloseHandle(out_write);
}

RunningAuslomat::~RunningAuslomat() {
  if (Running()) TerminateProcess(process_, 1);
  for (HANDLE h : {process_, to_, from_}) {
    if (h != nullptr) CloseHandle(h);
  }
}

std::string RunningAuslomat::ReadUntil(const std::string& tail) {
  std::string out;
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (GetTickCount64() < deadline) {
    if (out.size() >= tail.size() &&
        out.compare(out.size() - tail.size(), tail.size(), tail) == 0) {
      break;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(from_, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      Sleep(10);
      continue;
    }
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(from_, buffer, sizeof buffer, &n, nullptr) || n == 0) break;
    out = WithNewlines(out.append(buffer, n));
  }
  return out;
}

bool RunningAuslomat::Running() {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool RunningAuslomat::HoldsOpen(const std::filesystem::path& file) {
  // Opening it without sharing fails while any other handle is open.
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(h);
  return false;
}

void RunningAuslomat::Type(const std::string& keys) {
  DWORD written = 0;
  WriteFile(to_, keys.data(), static_cast<DWORD>(keys.size()), &written, nullptr);
}

int RunningAuslomat::Wait() {
  if (process_ == nullptr || WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}
#else
namespace {
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
}  // namespace

RunResult RunAuslomat(const std::vector<std::filesystem::path>& args) {
#ifdef AUSLOMAT_EMULATOR
  std::string command = AUSLOMAT_EMULATOR " " + ShellQuoted(AUSLOMAT_EXE);
#else
  std::string command = ShellQuoted(AUSLOMAT_EXE);
#endif
  for (const auto& arg : args) command += " " + ShellQuoted(arg.string());
  command += " </dev/null";
  RunResult result;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.out.append(buffer, n);
  }
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

RunningAuslomat::RunningAuslomat(const std::filesystem::path& file) {
  std::signal(SIGPIPE, SIG_IGN);  // typing to a program that has ended fails, nothing more
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
#ifdef AUSLOMAT_EMULATOR
    execlp(AUSLOMAT_EMULATOR, AUSLOMAT_EMULATOR, AUSLOMAT_EXE, file.c_str(),
           static_cast<char*>(nullptr));
#else
    execl(AUSLOMAT_EXE, AUSLOMAT_EXE, file.c_str(), static_cast<char*>(nullptr));
#endif
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  to_ = in[1];
  from_ = out[0];
}

RunningAuslomat::~RunningAuslomat() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(to_);
  close(from_);
}

std::string RunningAuslomat::ReadUntil(const std::string& tail) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (out.size() < tail.size() || out.compare(out.size() - tail.size(), tail.size(), tail)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd readable{from_, POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t n = read(from_, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

bool RunningAuslomat::Running() {
  if (pid_ <= 0 || status_ != -1) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return false;
}

bool RunningAuslomat::HoldsOpen(const std::filesystem::path& file) {
  const auto target = std::filesystem::canonical(file);
  std::error_code error;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
    if (std::filesystem::read_symlink(fd.path(), error) == target) return true;
  }
  return false;
}

void RunningAuslomat::Type(const std::string& keys) {
  if (write(to_, keys.data(), keys.size()) < 0) return;
}

int RunningAuslomat::Wait() {
  for (int tick = 0; tick < 1000 && Running(); ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}
#endif

}  // namespace testfile
