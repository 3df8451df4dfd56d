// Sony's maker note: the shutter counter of its α bodies, in the
// enciphered record 0x9050 or in tag 0x0020's blocks, at a byte that
// depends on the model (the Sony rows of cameras.cpp). Both are
// little-endian whatever the file's byte order.
#include <algorithm>
#include <array>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

// The records' numbers, whatever the note's order.
constexpr TByteOrder kSonyOrder = TByteOrder::kLittle;

enum { kCipheredRecord, kCameraSettings };
constexpr TTagRule kTags[] = {
    {0x9050, TypeBit(kTypeUndefined), 0, kAnyCount},
    {0x0020, TypeBit(kTypeUndefined), 0, kAnyCount},
};

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

// Tag 0x0020's block of camera settings is one of these sizes.
constexpr std::int64_t kCameraSettingsSizes[] = {19154, 19148};
// Tag 0x0020's index: the number of blocks (16 bits), a length (16 bits),
// then per block a 16-bit tag and a 16-bit offset from the index's start.
constexpr std::int64_t kIndexHeader = 4;
constexpr std::int64_t kIndexEntry = 4;
constexpr std::int64_t kMostIndexEntries = 50;
constexpr std::int32_t kShotInfoBlock = 0x0201;
constexpr std::int64_t kNoNextBlock = 0xFFFF;

// A block of a note entry: inside the note and the file, else nothing.
struct TBlock {
  FileOffset begin;
  std::int64_t size;
};
std::optional<TBlock> BlockOf(TCanonFile& file, const TNoteDirectory& note,
                              const std::optional<TFoundEntry>& entry) {
  if (!entry || !note.Holds(file.DataFile, note.base + entry->value, entry->count)) {
    return std::nullopt;
  }
  return TBlock{note.base + entry->value, entry->count};
}

std::array<std::uint8_t, 4> BytesAt(TCanonFile& file, FileOffset at) {
  std::array<std::uint8_t, 4> bytes{};
  file.DataFile.Seek(at);
  file.DataFile.Read(bytes.data(), bytes.size());
  return bytes;
}

// The four bytes at `byte` of the deciphered 0x9050 record.
std::optional<std::uint32_t> CipheredCount(TCanonFile& file, const TBlock& record,
                                           std::int32_t byte) {
  if (record.size < FileOffset{byte} + 4) return std::nullopt;
  std::array<std::uint8_t, 4> bytes = BytesAt(file, record.begin + byte);
  for (std::uint8_t& b : bytes) b = DecipherSonyByte(b);
  return DecodeU32(bytes.data(), kSonyOrder);
}

std::optional<std::uint32_t> CameraSettingsCount(TCanonFile& file, const TBlock& block,
                                                 std::int32_t byte) {
  const auto* sizes = std::end(kCameraSettingsSizes);
  if (std::find(std::begin(kCameraSettingsSizes), sizes, block.size) == sizes ||
      block.size < FileOffset{byte} + 4) {
    return std::nullopt;
  }
  return DecodeU32(BytesAt(file, block.begin + byte).data(), kSonyOrder);
}

// The four bytes at `byte` of the index's block 0x0201, where that block
// holds them. A block runs to the next larger offset of the index, and no
// further than the index's length.
std::optional<std::uint32_t> IndexedCount(TCanonFile& file, const TBlock& block,
                                          std::int32_t byte) {
  const std::int64_t n = block.size;
  if (n < kIndexHeader) return std::nullopt;
  std::array<std::uint8_t, kIndexHeader + kIndexEntry * kMostIndexEntries> index{};
  file.DataFile.Seek(block.begin);
  file.DataFile.Read(index.data(), static_cast<std::size_t>(std::min<std::int64_t>(
                                       n, static_cast<std::int64_t>(index.size()))));
  const std::int64_t entries = DecodeWord(index.data(), kSonyOrder);
  std::int64_t length = DecodeWord(index.data() + 2, kSonyOrder);
  if (entries > kMostIndexEntries || n < kIndexHeader + kIndexEntry * entries) return std::nullopt;
  const auto tag = [&](std::int64_t i) {
    return DecodeWord(index.data() + kIndexHeader + kIndexEntry * i, kSonyOrder);
  };
  const auto offset = [&](std::int64_t i) -> std::int64_t {
    return DecodeWord(index.data() + kIndexHeader + kIndexEntry * i + 2, kSonyOrder);
  };
  length = std::min(length, n);
  for (std::int64_t i = 0; i < entries; ++i) {
    if (offset(i) > length && offset(i) <= n) length = n;
  }
  for (std::int64_t i = 0; i < entries; ++i) {
    const std::int64_t at = offset(i);
    if (tag(i) != kShotInfoBlock || at > n) continue;
    std::int64_t next = kNoNextBlock;
    bool shared = false;
    for (std::int64_t j = 0; j < entries; ++j) {
      if (j == i) continue;
      shared = shared || offset(j) == at;
      if (offset(j) > at) next = std::min(next, offset(j));
    }
    const std::int64_t size = shared ? 0 : std::min(next - at, length - at);
    if (std::int64_t{byte} + 4 > size) return std::nullopt;
    return DecodeU32(BytesAt(file, block.begin + at + byte).data(), kSonyOrder);
  }
  return std::nullopt;
}

}  // namespace

std::uint8_t DecipherSonyByte(std::uint8_t stored) {
  return kPlain[stored];
}

TMakerValues ReadSonyNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                          std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kTags, entries_left);
  TMakerValues values;
  // Where the count stands follows the model: without one there is none.
  if (model.empty()) return values;
  const auto record = BlockOf(file, note, found[kCipheredRecord]);
  bool zero_lead = false;
  if (record && record->size >= static_cast<FileOffset>(kLeadBytes)) {
    std::array<std::uint8_t, kLeadBytes> lead{};
    file.DataFile.Seek(record->begin);
    file.DataFile.Read(lead.data(), lead.size());
    zero_lead = lead == std::array<std::uint8_t, kLeadBytes>{};
  }
  const TSonyRow* row = FindSonyRow(model, zero_lead);
  if (row == nullptr || row->count_byte == kNoCountByte) return values;

  std::optional<std::uint32_t> number;
  switch (row->place) {
    case TSonyPlace::kCipheredRecord:
      if (record) number = CipheredCount(file, *record, row->count_byte);
      break;
    case TSonyPlace::kCameraSettings:
      if (const auto block = BlockOf(file, note, found[kCameraSettings])) {
        number = CameraSettingsCount(file, *block, row->count_byte);
      }
      break;
    case TSonyPlace::kIndexedBlock:
      if (const auto block = BlockOf(file, note, found[kCameraSettings])) {
        number = IndexedCount(file, *block, row->count_byte);
      }
      break;
  }
  if (number) {
    values.count = static_cast<std::int32_t>(*number & kCountMask);
    values.includes = row->includes;
  }
  return values;
}

}  // namespace camerafile
