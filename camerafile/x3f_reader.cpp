// Sigma's X3F raw files: "FOVb", little-endian throughout, and no TIFF
// structure. The file's last four bytes give the offset of its section
// directory: "SECd", a version, the number of sections, then per section
// its offset, length and 4-character type. The "PROP" section lists the
// camera's properties: "SECp", a version, the number of entries, the
// character format (0: UTF-16, little-endian), four reserved bytes and the
// length of its strings in characters; then per entry the character offsets
// of its name and its value, counted from the first character after these
// pairs; every string ends with a zero character.
//
// Sigma keeps no exposure count in its files; the model and the serial
// number are properties. A damaged directory or list leaves the defaults:
// the file is an X3F all the same.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

using namespace std::string_view_literals;

constexpr TByteOrder kX3fOrder = TByteOrder::kLittle;
constexpr std::int64_t kDirectoryHeader = 12;  // "SECd", version, count
constexpr std::int64_t kSectionEntry = 12;     // offset, length, type
constexpr std::int64_t kPropertyHeader = 24;   // "SECp", version, count, format, reserved, length
constexpr std::int64_t kPropertyPair = 8;      // name, value
constexpr std::int64_t kCharSize = 2;
constexpr std::uint32_t kUtf16 = 0;

// The property list's strings: `chars` characters at `at`.
struct TStrings {
  FileOffset at;
  std::int64_t chars;
};

std::array<std::uint8_t, 4> ReadFour(TDataFile& file, FileOffset at) {
  std::array<std::uint8_t, 4> bytes{};
  file.Seek(at);
  file.Read(bytes.data(), bytes.size());
  return bytes;
}

std::int64_t U32At(TDataFile& file, FileOffset at) {
  return DecodeLong(ReadFour(file, at).data(), kX3fOrder);
}

bool IsType(const std::array<std::uint8_t, 4>& bytes, std::string_view type) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()) == type;
}

// The PROP section: where its strings are, and its entries' pairs.
struct TPropertyList {
  FileOffset pairs;
  std::int64_t count;
  TStrings strings;
};

std::optional<TPropertyList> FindProperties(TDataFile& file) {
  const FileOffset size = file.Size();
  if (size < 4) return std::nullopt;
  const FileOffset directory = U32At(file, size - 4);
  if (!FitsInside(directory, kDirectoryHeader, 0, size) ||
      !IsType(ReadFour(file, directory), "SECd"sv)) {
    return std::nullopt;
  }
  const std::int64_t sections = U32At(file, directory + 8);
  if (sections > (size - directory - kDirectoryHeader) / kSectionEntry) return std::nullopt;
  for (std::int64_t i = 0; i < std::min(sections, X3fLimits::kSections); ++i) {
    const FileOffset entry = directory + kDirectoryHeader + kSectionEntry * i;
    if (!IsType(ReadFour(file, entry + 8), "PROP"sv)) continue;
    const FileOffset at = U32At(file, entry);
    const std::int64_t length = U32At(file, entry + 4);
    if (!FitsInside(at, length, 0, size) || length < kPropertyHeader ||
        !IsType(ReadFour(file, at), "SECp"sv) || U32At(file, at + 12) != kUtf16) {
      return std::nullopt;
    }
    const std::int64_t count = U32At(file, at + 8);
    const std::int64_t chars = U32At(file, at + 20);
    const std::int64_t after_header = length - kPropertyHeader;
    if (count > after_header / kPropertyPair ||
        chars > (after_header - kPropertyPair * count) / kCharSize) {
      return std::nullopt;
    }
    const FileOffset pairs = at + kPropertyHeader;
    return TPropertyList{pairs, count, {pairs + kPropertyPair * count, chars}};
  }
  return std::nullopt;
}

// The string at a character offset of the list, at most `longest`
// characters, each as the byte of its Latin-1 character ('?' for others);
// none where it does not end with its zero character inside the list, or
// is longer.
std::optional<std::string> StringAt(TDataFile& file, const TStrings& strings, std::int64_t offset,
                                    std::size_t longest) {
  if (offset >= strings.chars) return std::nullopt;
  std::array<std::uint8_t, (kShortStringMax + 1) * kCharSize> bytes{};
  const auto chars = static_cast<std::size_t>(
      std::min<std::int64_t>(strings.chars - offset, static_cast<std::int64_t>(longest) + 1));
  file.Seek(strings.at + kCharSize * offset);
  file.Read(bytes.data(), chars * kCharSize);
  std::string text;
  for (std::size_t i = 0; i < chars; ++i) {
    const std::int32_t c = DecodeWord(bytes.data() + kCharSize * i, kX3fOrder);
    if (c == 0) return text;
    text.push_back(static_cast<char>(c < 0x100 ? c : '?'));
  }
  return std::nullopt;
}

}  // namespace

void TCanonFile::ReadX3f() {
  MakerState.maker = MakerOf("SIGMA");
  if (const auto list = FindProperties(DataFile)) {
    constexpr std::size_t kLongestName = 16;
    for (std::int64_t i = 0; i < std::min(list->count, X3fLimits::kProperties); ++i) {
      const FileOffset pair = list->pairs + kPropertyPair * i;
      const auto name = StringAt(DataFile, list->strings, U32At(DataFile, pair), kLongestName);
      if (!name || (*name != "CAMMANUF" && *name != "CAMMODEL" && *name != "CAMSERIAL")) continue;
      const auto value =
          StringAt(DataFile, list->strings, U32At(DataFile, pair + 4), kShortStringMax);
      if (!value) continue;
      if (*name == "CAMMANUF") {
        MakerState.make = *value;
      } else if (*name == "CAMMODEL") {
        MakerState.tiff_model = *value;
      } else {
        MakerState.note.serial = SerialTextOf(*value);
      }
    }
  }
  TakeResults();  // the lines of another maker's file
}

}  // namespace camerafile
