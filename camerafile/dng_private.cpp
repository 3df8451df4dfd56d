// DNG files keep a maker note in IFD0's DNGPrivateData (tag 0xC634).
//
// A converter writes Adobe's form: "Adobe" 00, then records of a 4-byte
// type, a 4-byte big-endian size and that many bytes, each padded to an even
// length. The record "MakN" holds the raw file's note: "II" or "MM" (its
// byte order), its offset from that file's TIFF header (4 bytes,
// big-endian), then the note as it stood, header included. Offsets of the
// note that count from the TIFF header are mapped through that offset.
//
// Some bodies write their own note there instead; the makers' table says
// which forms (makers.cpp).
#include <algorithm>
#include <array>
#include <string_view>

#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kAdobe = "Adobe\0"sv;
constexpr std::string_view kMakerNoteRecord = "MakN"sv;
constexpr FileOffset kRecordHeader = 8;  // type, size
// Byte order marks and the original offset; some converters put 12 more
// bytes in front of the note, beginning 00 00 00 01.
constexpr FileOffset kMakerNoteHeader = 6;
constexpr FileOffset kLongMakerNoteHeader = 18;
constexpr std::array<std::uint8_t, 4> kLongHeaderMark = {0, 0, 0, 1};
// The record sizes and the original offset are big-endian, whatever the
// file's order.
constexpr TByteOrder kAdobeOrder = TByteOrder::kBig;

// The raw file's note in a "MakN" record of `size` bytes at `data`.
std::optional<TMakerNote> MakerNoteRecord(TCanonFile& file, std::string_view make, FileOffset data,
                                          std::int64_t size) {
  if (size < kMakerNoteHeader) return std::nullopt;
  std::array<std::uint8_t, kLongMakerNoteHeader> header{};
  file.DataFile.Seek(data);
  file.DataFile.Read(header.data(), header.size());
  const std::int32_t marks = DecodeWord(header.data(), kAdobeOrder);
  if (marks != kByteOrderIntel && marks != kByteOrderMotorola) return std::nullopt;
  const FileOffset original_offset = DecodeLong(header.data() + 2, kAdobeOrder);
  const bool long_header =
      size >= kLongMakerNoteHeader &&
      std::equal(kLongHeaderMark.begin(), kLongHeaderMark.end(), header.begin() + 6);
  const FileOffset note = data + (long_header ? kLongMakerNoteHeader : kMakerNoteHeader);
  const TByteOrder order = marks == kByteOrderIntel ? TByteOrder::kLittle : TByteOrder::kBig;
  const TNotePlace place{TNoteHolder::kDngRecord, note, size - (note - data), order,
                         note - original_offset};
  return FindMakerNote(file, make, place);
}

}  // namespace

std::optional<TMakerNote> FindDngNote(TCanonFile& file, std::string_view make, FileOffset at,
                                      std::int64_t size) {
  const TMakerNote own =
      FindMakerNote(file, make, {TNoteHolder::kDngPrivate, at, size, file.ByteOrder(), at});
  if (own.directory) return own;

  std::array<char, kAdobe.size()> first{};
  file.DataFile.Seek(at);
  file.DataFile.Read(reinterpret_cast<std::uint8_t*>(first.data()), first.size());
  if (size < static_cast<std::int64_t>(kAdobe.size()) ||
      std::string_view(first.data(), first.size()) != kAdobe) {
    return std::nullopt;
  }
  // Only the record headers passed over are read, never the records.
  const FileOffset end = at + size;
  FileOffset record = at + static_cast<FileOffset>(kAdobe.size());
  for (std::int32_t seen = 0; seen < DngLimits::kRecords && end - record >= kRecordHeader; ++seen) {
    std::array<std::uint8_t, kRecordHeader> header{};
    file.DataFile.Seek(record);
    file.DataFile.Read(header.data(), header.size());
    const FileOffset data = record + kRecordHeader;
    const std::int64_t length = DecodeLong(header.data() + 4, kAdobeOrder);
    if (length > end - data) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(header.data()), 4);
    if (type == kMakerNoteRecord) return MakerNoteRecord(file, make, data, length);
    record = data + length + (length & 1);
  }
  return std::nullopt;
}

}  // namespace camerafile
