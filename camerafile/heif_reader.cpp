// HEIF files: the meta box lists the items (iinf) and where each lies
// (iloc); the item of type "Exif" holds a 32-bit big-endian length N, N
// bytes, and then the camera's TIFF structure, read with the ordinary walk.
#include "camerafile/canon_file.h"
#include "camerafile/iso_boxes.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

constexpr std::uint32_t kMeta = FourCC("meta");
constexpr std::uint32_t kIinf = FourCC("iinf");
constexpr std::uint32_t kInfe = FourCC("infe");
constexpr std::uint32_t kIloc = FourCC("iloc");
constexpr std::uint32_t kIdat = FourCC("idat");
constexpr std::uint32_t kItemTypeExif = FourCC("Exif");
constexpr FileOffset kFullBoxHeader = 4;  // version and flags

// iloc construction methods: where an item's extents lie.
constexpr std::int32_t kInTheFile = 0;
constexpr std::int32_t kInIdat = 1;

// A number of 0, 4 or 8 bytes, as iloc gives the size of its fields.
std::uint64_t ReadSized(TCanonFile& file, std::int32_t bytes) {
  if (bytes == 0) return 0;
  const auto high = static_cast<std::uint64_t>(file.ReadLong());
  if (bytes == 4) return high;
  return high << 32 | static_cast<std::uint64_t>(file.ReadLong());
}

bool IsFieldSize(std::int32_t bytes) {
  return bytes == 0 || bytes == 4 || bytes == 8;
}

// The ID of the first item of type "Exif". Item info entries of versions 2
// and 3 name their type; earlier ones do not.
std::optional<std::uint32_t> ExifItemId(TCanonFile& file, const TBox& iinf) {
  const auto version = FullBoxVersion(file, iinf);
  if (!version) return std::nullopt;
  TBoxList entries(file, iinf, kFullBoxHeader + (*version == 0 ? 2 : 4));
  while (const auto infe = entries.Find(kInfe)) {
    const auto infe_version = FullBoxVersion(file, *infe);
    if (!infe_version || (*infe_version != 2 && *infe_version != 3)) continue;
    file.DataFile.Seek(infe->payload + kFullBoxHeader);
    const auto id =
        static_cast<std::uint32_t>(*infe_version == 2 ? file.ReadWord() : file.ReadLong());
    file.ReadWord();  // protection index
    const auto type = static_cast<std::uint32_t>(file.ReadLong());
    if (file.DataFile.Position() <= infe->end && type == kItemTypeExif) return id;
  }
  return std::nullopt;
}

// Where the first extent of the item starts, in the file; nothing when it
// lies outside the file or its idat box.
std::optional<FileOffset> ItemStart(TCanonFile& file, const TBox& iloc, std::uint32_t item,
                                    const std::optional<TBox>& idat) {
  const auto version = FullBoxVersion(file, iloc);
  if (!version || *version > 2) return std::nullopt;
  const bool has_method = *version >= 1;
  file.DataFile.Seek(iloc.payload + kFullBoxHeader);
  const std::int32_t sizes = file.DataFile.ReadByte();
  const std::int32_t more_sizes = file.DataFile.ReadByte();
  const std::int32_t offset_size = sizes >> 4;
  const std::int32_t length_size = sizes & 0xF;
  const std::int32_t base_size = more_sizes >> 4;
  const std::int32_t index_size = has_method ? more_sizes & 0xF : 0;
  if (!IsFieldSize(offset_size) || !IsFieldSize(length_size) || !IsFieldSize(base_size) ||
      !IsFieldSize(index_size)) {
    return std::nullopt;
  }
  const std::int64_t count = *version < 2 ? file.ReadWord() : file.ReadLong();
  const FileOffset extent_size = index_size + offset_size + length_size;

  for (std::int64_t i = 0; i < count && i < BoxLimits::kLocatedItems; ++i) {
    const std::int64_t id = *version < 2 ? file.ReadWord() : file.ReadLong();
    const std::int32_t method = has_method ? file.ReadWord() & 0xF : kInTheFile;
    file.ReadWord();  // data reference index
    const std::uint64_t base = ReadSized(file, base_size);
    const std::int32_t extents = file.ReadWord();
    if (file.DataFile.Position() > iloc.end) return std::nullopt;
    if (id != item) {
      file.DataFile.Seek(file.DataFile.Position() + extents * extent_size);
      continue;
    }
    if (extents == 0) return std::nullopt;
    ReadSized(file, index_size);
    const std::uint64_t offset = ReadSized(file, offset_size);
    ReadSized(file, length_size);
    if (file.DataFile.Position() > iloc.end) return std::nullopt;
    // base + offset must lie inside the file or the idat payload: checked
    // before adding, so that no sum wraps.
    FileOffset begin = 0;
    FileOffset end = 0;
    if (method == kInTheFile) {
      end = file.DataFile.Size();
    } else if (method == kInIdat && idat) {
      begin = idat->payload;
      end = idat->end;
    } else {
      return std::nullopt;
    }
    const auto room = static_cast<std::uint64_t>(end - begin);
    if (base >= room || offset >= room - base) return std::nullopt;
    return begin + static_cast<FileOffset>(base + offset);
  }
  return std::nullopt;
}

}  // namespace

void TCanonFile::ReadHeif() {
  IntelOrder = 0;  // the boxes are big-endian
  const auto meta = TBoxList(*this, 0, DataFile.Size()).Find(kMeta);
  if (!meta) return;
  std::optional<TBox> iinf;
  std::optional<TBox> iloc;
  std::optional<TBox> idat;
  TBoxList in_meta(*this, *meta, kFullBoxHeader);
  while (const auto box = in_meta.Next()) {
    if (box->type == kIinf && !iinf) iinf = box;
    if (box->type == kIloc && !iloc) iloc = box;
    if (box->type == kIdat && !idat) idat = box;
  }
  if (!iinf || !iloc) return;
  const auto item = ExifItemId(*this, *iinf);
  if (!item) return;
  const auto start = ItemStart(*this, *iloc, *item, idat);
  if (!start) return;

  // The length before the TIFF header (that of "Exif" 00 00, as a rule).
  const std::int64_t skip = ReadLongAt(*start);
  if (skip > DataFile.Size() - *start - 4) return;
  if (EnterTiffHeader(*start + 4 + skip) != TTiffHeader::kGood) return;
  WalkDirectories();
}

}  // namespace camerafile
