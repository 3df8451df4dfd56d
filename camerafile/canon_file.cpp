#include "camerafile/canon_file.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace camerafile {

std::int32_t WrapToInt32(std::uint64_t value) {
  const auto low = static_cast<std::int64_t>(value & 0xFFFFFFFFu);
  return static_cast<std::int32_t>(low >= 0x80000000 ? low - 0x100000000 : low);
}

bool TCanonFile::Init(const TFileName& file_name) {
  FileName = file_name;
  Valid = false;
  Format = kFormatNone;
  Kind = kKindNone;
  TiffBase = 0;
  ExifIfd = 0;
  MakerNoteIfd = 0;
  NextIfd = 0;
  Model = kNoValue;
  Firmware = kNoValue;
  Owner = kNoValue;
  SerialNumber = 0;
  HasSerialNumber = false;
  BodySerialNumber.clear();
  ShutterCount = 0;
  CountIncludes = TCountIncludes::kShutterReleases;
  MechanicalCount = 0;
  DateTaken.clear();
  MakerNoteSize = 0;
  MakerState = TMakerState{};
  Camera = nullptr;
  return true;
}

std::string TCanonFile::GetSerialText() const {
  const std::string number = std::to_string(static_cast<std::uint32_t>(SerialNumber));
  if (HasSerialNumber) return number;
  if (!MakerState.note.serial.empty()) return MakerState.note.serial;
  if (!BodySerialNumber.empty()) return BodySerialNumber;
  return number;
}

std::string TCanonFile::GetCameraName() const {
  const auto& model = MakerState.tiff_model;
  return model && !model->empty() ? *model : Model;
}

std::string ExifDateTime(const std::string& text) {
  constexpr std::string_view kForm = "dddd:dd:dd dd:dd:dd";
  if (text.size() < kForm.size()) return {};
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return {};
  }
  const auto number = [&](std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  const int year = number(0, 4);
  const int month = number(5, 2);
  const int day = number(8, 2);
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year == 0 || month < 1 || month > 12 || day < 1) return {};
  if (day > kDays[static_cast<std::size_t>(month - 1)] + (month == 2 && leap ? 1 : 0)) return {};
  if (number(11, 2) > 23 || number(14, 2) > 59 || number(17, 2) > 59) return {};
  return std::string(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(kForm.size()));
}

std::int32_t TCanonFile::WordAt(const std::uint8_t* bytes) const {
  return DecodeWord(bytes, ByteOrder());
}

std::int64_t TCanonFile::LongAt(const std::uint8_t* bytes) const {
  return DecodeLong(bytes, ByteOrder());
}

std::int32_t TCanonFile::ReadWordIn(TByteOrder order) {
  std::array<std::uint8_t, 2> b{};
  DataFile.Read(b.data(), b.size());
  return DecodeWord(b.data(), order);
}

std::int64_t TCanonFile::ReadLongIn(TByteOrder order) {
  std::array<std::uint8_t, 4> b{};
  DataFile.Read(b.data(), b.size());
  return DecodeLong(b.data(), order);
}

std::string TCanonFile::ReadChars(std::size_t count) {
  if (count > kShortStringMax) count = kShortStringMax;
  std::array<std::uint8_t, kShortStringMax> b{};
  DataFile.Read(b.data(), count);
  return std::string(reinterpret_cast<const char*>(b.data()), count);
}

std::string TCanonFile::ReadStringAt(FileOffset offset) {
  const FileOffset saved = DataFile.Position();
  DataFile.Seek(offset);
  std::string text;
  // Only the first kShortStringMax bytes are kept and the position is put
  // back, so reading on towards a far-away zero byte would change nothing.
  // Past the end of the file every byte reads as zero, which ends the string.
  while (text.size() < kShortStringMax) {
    const std::uint8_t b = DataFile.ReadByte();
    if (b == 0) break;
    text.push_back(static_cast<char>(b));
  }
  DataFile.Seek(saved);
  return text;
}

std::string TCanonFile::ReadText(const TTextValue& text) {
  std::array<std::uint8_t, kShortStringMax> b{};
  const auto length =
      static_cast<std::size_t>(std::clamp<std::int64_t>(text.count, 0, kShortStringMax));
  if (text.count <= kInEntry) {
    std::copy_n(text.bytes.begin(), length, b.begin());
  } else {
    const FileOffset saved = DataFile.Position();
    DataFile.Seek(text.offset);
    DataFile.Read(b.data(), length);
    DataFile.Seek(saved);
  }
  const auto* chars = reinterpret_cast<const char*>(b.data());
  return std::string(chars, std::find(chars, chars + length, '\0'));
}

std::int64_t TCanonFile::ReadLongAt(FileOffset offset, TByteOrder order) {
  const FileOffset saved = DataFile.Position();
  DataFile.Seek(offset);
  const std::int64_t value = ReadLongIn(order);
  DataFile.Seek(saved);
  return value;
}

std::int32_t TCanonFile::ReadShutterCountAt(FileOffset offset, TByteOrder order) {
  const FileOffset saved = DataFile.Position();
  DataFile.Seek(offset);
  std::array<std::uint32_t, 9> w{};
  for (std::uint32_t& word : w) word = static_cast<std::uint32_t>(ReadWordIn(order));
  DataFile.Seek(saved);
  // w1 and w2 are one 32-bit counter, high word first, in either byte order;
  // the other words are other fields of the record (w0 its length, w6 the
  // RAW+JPEG quality). Read back as a signed 32-bit number like every other.
  return WrapToInt32(w[1] * 0x10000u + w[2]);
}

}  // namespace camerafile
