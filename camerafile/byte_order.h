// Numbers as a file stores them: two or four bytes, in one of the two byte
// orders a TIFF structure may use. Every multi-byte number the reader takes
// from bytes in memory is decoded here, with shifts, whatever the machine's
// own order.
#pragma once

#include <cstdint>

namespace camerafile {

enum class TByteOrder : std::int32_t {
  kBig = 0,     // "MM", Motorola
  kLittle = 1,  // "II", Intel
};

constexpr TByteOrder OtherOrder(TByteOrder order) {
  return order == TByteOrder::kBig ? TByteOrder::kLittle : TByteOrder::kBig;
}

// 0 to 65535.
constexpr std::int32_t DecodeWord(const std::uint8_t* bytes, TByteOrder order) {
  return order == TByteOrder::kLittle ? bytes[0] | bytes[1] << 8 : bytes[0] << 8 | bytes[1];
}

// 0 to 4294967295.
constexpr std::uint32_t DecodeU32(const std::uint8_t* bytes, TByteOrder order) {
  const bool little = order == TByteOrder::kLittle;
  const auto high = static_cast<std::uint32_t>(DecodeWord(little ? bytes + 2 : bytes, order));
  const auto low = static_cast<std::uint32_t>(DecodeWord(little ? bytes : bytes + 2, order));
  return high << 16 | low;
}

// The same, as a signed 64-bit number that adds to a file offset unchanged.
constexpr std::int64_t DecodeLong(const std::uint8_t* bytes, TByteOrder order) {
  return DecodeU32(bytes, order);
}

}  // namespace camerafile
