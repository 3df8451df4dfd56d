// The 12-byte entries of a TIFF directory, decoded from memory in a byte
// order of the caller's: the walk's directories and every maker note's.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "camerafile/canon_file.h"

namespace camerafile {

constexpr std::size_t kEntrySize = 12;

// TIFF field types.
constexpr std::int32_t kTypeByte = 1;
constexpr std::int32_t kTypeAscii = 2;
constexpr std::int32_t kTypeShort = 3;
constexpr std::int32_t kTypeLong = 4;
constexpr std::int32_t kTypeRational = 5;
constexpr std::int32_t kTypeUndefined = 7;
constexpr std::int32_t kTypeIfd = 13;

// Byte size of one value of the type; 0 for types no camera writes.
constexpr std::uint32_t UnitSize(std::int32_t type) {
  switch (type) {
    case 1:  // byte
    case 2:  // ASCII
    case 6:  // signed byte
    case 7:  // undefined
      return 1;
    case 3:  // short
    case 8:  // signed short
      return 2;
    case 4:   // long
    case 9:   // signed long
    case 11:  // float
    case 13:  // IFD
      return 4;
    case 5:   // rational
    case 10:  // signed rational
    case 12:  // double
      return 8;
    default:
      return 0;
  }
}

struct TEntry {
  std::int32_t tag;
  std::int32_t type;
  std::int64_t count;
  std::int64_t value;         // the value, or its offset
  const std::uint8_t* bytes;  // the value field as stored
};

// An entry as a tag rule keeps it, its value field copied.
inline TFoundEntry Kept(const TEntry& entry) {
  TFoundEntry kept{entry.type,
                   static_cast<std::uint32_t>(entry.count),
                   static_cast<std::uint32_t>(entry.value),
                   {}};
  std::copy_n(entry.bytes, kInEntry, kept.bytes.begin());
  return kept;
}

// Hands up to `entries` entries from the current position to take(entry),
// decoded in the byte order given, and returns how many it handed over.
// Entries are fetched a batch at a time and decoded from memory; past the
// end of the file every entry would read as zeros, tag 0, which no rule
// takes, so the reading stops there.
template <typename Take>
std::int32_t ReadEntries(TDataFile& file, std::int32_t entries, TByteOrder order, Take&& take) {
  constexpr std::int32_t kBatch = 32;
  std::array<std::uint8_t, kBatch * kEntrySize> batch{};
  std::int32_t k = 0;
  while (k < entries && file.Position() < file.Size()) {
    const std::int32_t count = std::min(kBatch, entries - k);
    file.Read(batch.data(), static_cast<std::size_t>(count) * kEntrySize);
    for (std::int32_t i = 0; i < count; ++i, ++k) {
      const std::uint8_t* entry = batch.data() + static_cast<std::size_t>(i) * kEntrySize;
      take(TEntry{DecodeWord(entry, order), DecodeWord(entry + 2, order),
                  DecodeLong(entry + 4, order), DecodeLong(entry + 8, order), entry + 8});
    }
  }
  return k;
}

}  // namespace camerafile
