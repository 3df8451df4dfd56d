// Sony's maker note: the shutter counter of its α bodies stands in the
// enciphered record 0x9050, at a byte that depends on the model (the Sony
// rows of cameras.cpp).
#include <algorithm>
#include <array>

#include "camerafile/canon_file.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

constexpr std::uint16_t kTypeUndefined = 7;

enum { kRecord };
constexpr TTagRule kTags[] = {{0x9050, kTypeUndefined, 0, kAnyCount}};

// A stored byte c below 249 stands for the b with b * b * b mod 249 = c, one
// to one since 249 = 3 * 83 and 3 divides neither 2 nor 82; bytes 249 to
// 255 stand for themselves.
constexpr std::uint32_t kCipherModulus = 249;
constexpr std::array<std::uint8_t, 256> PlainBytes() {
  std::array<std::uint8_t, 256> plain{};
  for (std::uint32_t b = 0; b < plain.size(); ++b) plain[b] = static_cast<std::uint8_t>(b);
  for (std::uint32_t b = 0; b < kCipherModulus; ++b) {
    plain[b * b * b % kCipherModulus] = static_cast<std::uint8_t>(b);
  }
  return plain;
}
constexpr std::array<std::uint8_t, 256> kPlain = PlainBytes();

// Records whose first five stored bytes are zero are of layout d on the
// bodies that write both.
constexpr std::size_t kLeadBytes = 5;
constexpr std::uint32_t kCountMask = 0x00FFFFFF;  // the low 24 bits of the four bytes

}  // namespace

std::uint8_t DecipherSonyByte(std::uint8_t stored) {
  return kPlain[stored];
}

TMakerValues ReadSonyNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                          std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kTags, entries_left);
  TMakerValues values;
  // Where the count stands follows the model: without one there is none.
  if (!found[kRecord] || model.empty()) return values;
  // The record must lie inside the note and the file.
  const FileOffset begin = note.base + found[kRecord]->value;
  const FileOffset size = found[kRecord]->count;
  const FileOffset end = std::min(note.note_end, file.DataFile.Size());
  if (begin < note.note_begin || begin > end || end - begin < size) return values;

  std::array<std::uint8_t, kLeadBytes> lead{};
  file.DataFile.Seek(begin);
  file.DataFile.Read(lead.data(), lead.size());
  const bool zero_lead =
      size >= static_cast<FileOffset>(kLeadBytes) && lead == std::array<std::uint8_t, kLeadBytes>{};
  const TSonyRow* row = FindSonyRow(model, zero_lead);
  if (row == nullptr || row->count_byte == kNoCountByte || size < FileOffset{row->count_byte} + 4) {
    return values;
  }
  std::array<std::uint8_t, 4> stored{};
  file.DataFile.Seek(begin + row->count_byte);
  file.DataFile.Read(stored.data(), stored.size());
  std::uint32_t number = 0;
  for (std::size_t i = stored.size(); i-- > 0;) number = number << 8 | DecipherSonyByte(stored[i]);
  values.count = static_cast<std::int32_t>(number & kCountMask);
  values.includes = row->includes;
  return values;
}

}  // namespace camerafile
