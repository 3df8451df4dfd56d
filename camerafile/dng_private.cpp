// DNG files keep a maker note in IFD0's DNGPrivateData (tag 0xC634).
//
// A converter writes Adobe's form: "Adobe" 00, then records of a 4-byte
// type, a 4-byte big-endian size and that many bytes, each padded to an even
// length. The record "MakN" holds the raw file's note: "II" or "MM" (its
// byte order), its offset from that file's TIFF header (4 bytes,
// big-endian), then the note as it stood, header included. Offsets of the
// note that count from the TIFF header are mapped through that offset.
//
// Pentax, Samsung and Ricoh bodies write their own note there instead,
// "PENTAX " 00, "SAMSUNG" 00 or "RICOH" 00 and then its directory, offsets
// counting from the note's first byte.
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

struct TInCameraForm {
  std::string_view begins;
  FileOffset directory_at;
  TMaker maker;
};
constexpr TInCameraForm kInCameraForms[] = {
    {"PENTAX \0"sv, 10, TMaker::kPentax},
    {"SAMSUNG\0"sv, 10, TMaker::kPentax},
    {"RICOH\0"sv, 8, TMaker::kRicoh},
};
constexpr std::size_t kLongestBeginning = 8;

// Big-endian, whatever the file's order.
std::uint32_t BigEndianAt(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(DecodeLong(bytes, 0));
}

// The raw file's note in a "MakN" record of `size` bytes at `data`.
std::optional<TMakerNote> MakerNoteRecord(TCanonFile& file, std::string_view make, FileOffset data,
                                          std::int64_t size) {
  if (size < kMakerNoteHeader) return std::nullopt;
  std::array<std::uint8_t, kLongMakerNoteHeader> header{};
  file.DataFile.Seek(data);
  file.DataFile.Read(header.data(), header.size());
  const std::int32_t marks = DecodeWord(header.data(), 0);
  if (marks != kByteOrderIntel && marks != kByteOrderMotorola) return std::nullopt;
  const std::uint32_t original_offset = BigEndianAt(header.data() + 2);
  const bool long_header =
      size >= kLongMakerNoteHeader &&
      std::equal(kLongHeaderMark.begin(), kLongHeaderMark.end(), header.begin() + 6);
  const FileOffset note = data + (long_header ? kLongMakerNoteHeader : kMakerNoteHeader);
  const TNotePlace place{note, size - (note - data), marks == kByteOrderIntel ? 1 : 0,
                         note - original_offset, false};
  return FindMakerNote(file, make, place);
}

}  // namespace

std::optional<TMakerNote> FindDngNote(TCanonFile& file, std::string_view make, FileOffset at,
                                      std::int64_t size) {
  std::array<char, kLongestBeginning> first{};
  file.DataFile.Seek(at);
  file.DataFile.Read(reinterpret_cast<std::uint8_t*>(first.data()), first.size());
  const std::string_view head(first.data(), static_cast<std::size_t>(std::min<std::int64_t>(
                                                size, static_cast<std::int64_t>(first.size()))));
  const FileOffset end = at + size;

  for (const TInCameraForm& form : kInCameraForms) {
    if (!StartsWith(head, form.begins)) continue;
    if (size < form.directory_at) return std::nullopt;
    const FileOffset directory = at + form.directory_at;
    const std::int32_t order = NoteOrder(file, directory, file.IntelOrder);
    return TMakerNote{form.maker, TNoteDirectory{directory, at, order, at, end}, ReadPentaxNote};
  }

  if (!StartsWith(head, kAdobe)) return std::nullopt;
  // Only the record headers passed over are read, never the records.
  FileOffset record = at + static_cast<FileOffset>(kAdobe.size());
  for (std::int32_t seen = 0; seen < DngLimits::kRecords && end - record >= kRecordHeader; ++seen) {
    std::array<std::uint8_t, kRecordHeader> header{};
    file.DataFile.Seek(record);
    file.DataFile.Read(header.data(), header.size());
    const FileOffset data = record + kRecordHeader;
    const std::int64_t length = BigEndianAt(header.data() + 4);
    if (length > end - data) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(header.data()), 4);
    if (type == kMakerNoteRecord) return MakerNoteRecord(file, make, data, length);
    record = data + length + (length & 1);
  }
  return std::nullopt;
}

}  // namespace camerafile
