// The bounded box iterator, and recognition of ISO base media files by the
// brands of their ftyp box.
#include "camerafile/iso_boxes.h"

#include <algorithm>

#include "camerafile/limits.h"

namespace camerafile {
namespace {

constexpr FileOffset kHeaderSize = 8;
constexpr FileOffset kLargeHeaderSize = 16;
constexpr std::uint64_t kSizeIsLarge = 1;
constexpr std::uint64_t kSizeToParentEnd = 0;
constexpr FileOffset kFullBoxHeader = 4;  // version and flags

constexpr std::uint32_t kFtyp = FourCC("ftyp");
constexpr std::uint32_t kBrandCr3 = FourCC("crx ");
constexpr std::uint32_t kHeifBrands[] = {FourCC("heic"), FourCC("heix"), FourCC("mif1")};
// ftyp: size, type, major brand, minor version, then compatible brands.
constexpr FileOffset kMajorBrandAt = 8;
constexpr FileOffset kCompatibleBrandsAt = 16;

}  // namespace

TBoxList::TBoxList(TCanonFile& file, const TBox& parent, FileOffset skip)
    : file_(file), at_(parent.payload + skip), end_(parent.end) {
  if (parent.end - parent.payload < skip) end_ = at_;
}

std::optional<TBox> TBoxList::Next() {
  if (seen_ == BoxLimits::kBoxesPerList || end_ - at_ < kHeaderSize) return std::nullopt;
  ++seen_;
  const FileOffset start = at_;
  file_.DataFile.Seek(start);
  std::uint64_t size = static_cast<std::uint64_t>(file_.ReadLong());
  const auto type = static_cast<std::uint32_t>(file_.ReadLong());
  FileOffset header = kHeaderSize;
  if (size == kSizeIsLarge) {
    const auto high = static_cast<std::uint64_t>(file_.ReadLong());
    size = high << 32 | static_cast<std::uint64_t>(file_.ReadLong());
    header = kLargeHeaderSize;
  } else if (size == kSizeToParentEnd) {
    size = static_cast<std::uint64_t>(end_ - start);
  }
  // Compared as unsigned 64-bit numbers: a size near 2^64 never wraps.
  if (size < static_cast<std::uint64_t>(header) ||
      size > static_cast<std::uint64_t>(end_ - start)) {
    at_ = end_;
    return std::nullopt;
  }
  at_ = start + static_cast<FileOffset>(size);
  return TBox{type, start + header, at_};
}

std::optional<TBox> TBoxList::Find(std::uint32_t type) {
  while (const auto box = Next()) {
    if (box->type == type) return box;
  }
  return std::nullopt;
}

std::optional<std::int32_t> FullBoxVersion(TCanonFile& file, const TBox& box) {
  if (box.end - box.payload < kFullBoxHeader) return std::nullopt;
  file.DataFile.Seek(box.payload);
  return file.DataFile.ReadByte();
}

std::int32_t TCanonFile::RecogniseIsoMedia() {
  // Bytes 4 to 7 "ftyp", then the major brand; the compatible brands run to
  // the end of the box as its size gives it, within the file.
  IntelOrder = 0;
  DataFile.Seek(0);
  const std::int64_t size = ReadLong();
  if (ReadLong() != kFtyp) return kFormatNone;
  DataFile.Seek(kMajorBrandAt);
  const auto major = static_cast<std::uint32_t>(ReadLong());
  if (major == kBrandCr3) return kFormatCr3;
  const auto is_heif = [](std::uint32_t brand) {
    return std::find(std::begin(kHeifBrands), std::end(kHeifBrands), brand) !=
           std::end(kHeifBrands);
  };
  if (is_heif(major)) return kFormatHeif;
  const FileOffset brands_end = std::min(size, DataFile.Size());
  DataFile.Seek(kCompatibleBrandsAt);
  for (std::int32_t i = 0; i < BoxLimits::kBrands && DataFile.Position() + 4 <= brands_end; ++i) {
    if (is_heif(static_cast<std::uint32_t>(ReadLong()))) return kFormatHeif;
  }
  return kFormatNone;
}

}  // namespace camerafile
