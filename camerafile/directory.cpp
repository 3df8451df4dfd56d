// TIFF image file directories: the main chain, then the Exif directory,
// then the Canon maker note, which is itself laid out as a directory.
#include <algorithm>
#include <array>
#include <optional>

#include "camerafile/canon_file.h"

namespace camerafile {
namespace {

// Tags acted on, in whichever directory they stand.
constexpr std::int32_t kTagExifIfd = 0x8769;
constexpr std::int32_t kTagMakerNote = 0x927C;
constexpr std::int32_t kTagCameraType = 0x0006;    // maker note; printed as the model
constexpr std::int32_t kTagFirmware = 0x0007;      // maker note
constexpr std::int32_t kTagOwner = 0x0009;         // maker note
constexpr std::int32_t kTagSerialNumber = 0x000C;  // maker note
constexpr std::int32_t kTagShutterCount = 0x0093;  // maker note: nine exposure-count words

constexpr std::int32_t kTypeAscii = 2;
constexpr FileOffset kEntrySize = 12;

// Caps on the work one walk does, far above what camera files use, so that a
// crafted file cannot make a run cost more than a real one many times over.
struct WalkLimits {
  // A ".cr2" chains four main directories, a 1D ".tif" and a JPEG two.
  static constexpr std::size_t kChainDirectories = 64;
  // Canon maker notes and Exif directories hold well under a hundred
  // entries; past this many, the remaining entries are not looked at.
  static constexpr std::int32_t kDirectoryEntries = 1024;
};

// Byte size of one value of the type; 0 where the size is not needed.
std::uint32_t UnitSize(std::int32_t type) {
  switch (type) {
    case 1:  // byte
    case 2:  // ASCII
      return 1;
    case 3:  // short
      return 2;
    case 4:  // long
      return 4;
    case 5:  // rational
      return 8;
    default:
      return 0;
  }
}

}  // namespace

void TCanonFile::ReadDirectory() {
  const FileOffset start = DataFile.Position();
  EntryCount = ReadWord();
  NextIfd = 0;

  // A later entry overwrites what an earlier one stored, and reading a value
  // at an offset changes nothing else, so only the last offset of each kind
  // is read, once all entries are through.
  std::optional<FileOffset> model_at, firmware_at, owner_at, shutter_count_at;
  const std::int32_t entries = std::min(EntryCount, WalkLimits::kDirectoryEntries);
  for (std::int32_t k = 0; k < entries; ++k) {
    if (DataFile.Position() >= DataFile.Size()) {
      // Past the end every entry reads as zeros: tag 0, which is skipped.
      EntryTag = EntryType = 0;
      ValueCount = 0;
      break;
    }
    EntryTag = ReadWord();
    EntryType = ReadWord();
    ValueCount = ReadLong();
    const std::uint32_t unit = UnitSize(EntryType);
    if (unit != 0) ValueSize = WrapToInt32(static_cast<std::uint64_t>(ValueCount) * unit);
    const bool is_long_string = EntryType == kTypeAscii && ValueSize > 4;

    const std::int64_t value = ReadLong();
    switch (EntryTag) {
      case kTagExifIfd:
        ExifIfd = value;
        break;
      case kTagMakerNote:
        MakerNoteIfd = value;
        break;
      case kTagCameraType:
        if (is_long_string) model_at = value + TiffBase;
        break;
      case kTagFirmware:
        if (is_long_string) firmware_at = value + TiffBase;
        break;
      case kTagOwner:
        if (is_long_string) owner_at = value + TiffBase;
        break;
      case kTagSerialNumber:
        SerialNumber = WrapToInt32(static_cast<std::uint64_t>(value));
        break;
      case kTagShutterCount:
        shutter_count_at = value + TiffBase;
        break;
      default:
        break;  // the four value bytes are read and dropped
    }
  }
  DataFile.Seek(start + 2 + kEntrySize * EntryCount);
  NextIfd = ReadLong();

  if (model_at) Model = ReadStringAt(*model_at);
  if (firmware_at) Firmware = ReadStringAt(*firmware_at);
  if (owner_at) Owner = ReadStringAt(*owner_at);
  if (shutter_count_at) ShutterCount = ReadShutterCountAt(*shutter_count_at);
}

void TCanonFile::WalkDirectories() {
  FirstIfd = ReadLong() + TiffBase;
  DataFile.Seek(FirstIfd);
  ReadDirectory();

  // A chain that comes back to a directory already read would go round for
  // ever; it ends there, as it does at the length cap.
  std::array<FileOffset, WalkLimits::kChainDirectories> chain{};
  std::size_t chain_length = 0;
  chain[chain_length++] = FirstIfd;
  while (NextIfd != 0) {
    NextIfd += TiffBase;
    const auto read_end = chain.begin() + static_cast<std::ptrdiff_t>(chain_length);
    if (chain_length == chain.size() || std::find(chain.begin(), read_end, NextIfd) != read_end) {
      break;
    }
    chain[chain_length++] = NextIfd;
    DataFile.Seek(NextIfd);
    ReadDirectory();
  }

  // Once each, after the whole chain, with the last pointer found.
  if (ExifIfd != 0) {
    ExifIfd += TiffBase;
    DataFile.Seek(ExifIfd);
    ReadDirectory();
  }
  if (MakerNoteIfd != 0) {
    MakerNoteIfd += TiffBase;
    DataFile.Seek(MakerNoteIfd);
    ReadDirectory();
  }
}

}  // namespace camerafile
