// Fields of other makers' notes as their cameras write them, for the tests
// of the maker notes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "tests/file_builder.h"

namespace testfile {

constexpr std::uint16_t kNikonCount = 0x00A7;
constexpr std::uint16_t kNikonMechanicalCount = 0x0037;
constexpr std::uint16_t kNikonSerial = 0x001D;
constexpr std::uint16_t kNikonOldSerial = 0x00A0;
constexpr std::uint16_t kPentaxCount = 0x005D;
constexpr std::uint16_t kPentaxDate = 0x0006;
constexpr std::uint16_t kPentaxTime = 0x0007;
constexpr std::uint16_t kPentaxSerial = 0x0229;
constexpr std::uint16_t kSonyRecord = 0x9050;
constexpr std::uint16_t kSonyCameraSettings = 0x0020;

// Bytes as they stand in the entry, whatever the byte order.
inline Field InEntry(std::uint16_t tag, std::vector<std::uint8_t> bytes) {
  const auto count = static_cast<std::uint32_t>(bytes.size());
  return {tag, kUndefined, count, 0, std::move(bytes), -1, true};
}

inline std::vector<std::uint8_t> BigEndianBytes(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

// Pentax's count, scrambled with the date and time bytes as the body does.
inline Field PentaxScrambled(std::uint32_t count, std::uint32_t date, std::uint32_t time) {
  return InEntry(kPentaxCount, BigEndianBytes(count ^ date ^ (0xFFFFFFFFu - time)));
}

inline std::uint8_t Encipher(std::uint32_t b) {
  return static_cast<std::uint8_t>(b < 249 ? b * b * b % 249 : b);
}

// A Sony 0x9050 record of `size` bytes: zeros but for the little-endian
// numbers given, enciphered as the body stores them.
inline std::vector<std::uint8_t> SonyRecord(
    std::size_t size, std::initializer_list<std::pair<std::size_t, std::uint32_t>> at,
    bool zero_lead = true) {
  std::vector<std::uint8_t> plain(std::max<std::size_t>(size, 0x40), 0);
  if (!zero_lead) plain[0] = 7;
  for (const auto& [where, value] : at) {
    for (std::size_t i = 0; i < 4; ++i)
      plain[where + i] = static_cast<std::uint8_t>(value >> 8 * i);
  }
  plain.resize(size);
  for (std::uint8_t& b : plain) b = Encipher(b);
  return plain;
}

}  // namespace testfile
