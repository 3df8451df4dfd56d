// TIFF image file directories: the main chain, then the Exif directory,
// then the Canon maker note, which is itself laid out as a directory.
#include <algorithm>
#include <array>

#include "camerafile/cameras.h"
#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

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
constexpr std::int32_t kTagCameraInfo = 0x000D;    // maker note only: camera-info record
constexpr std::int32_t kTagModelId = 0x0010;       // maker note only: the camera's model ID
constexpr std::int32_t kTagBodySerial = 0xA431;    // Exif body serial number, as text

constexpr std::int32_t kTypeAscii = 2;
constexpr std::int32_t kTypeLong = 4;
constexpr std::int32_t kTypeUndefined = 7;
constexpr std::size_t kEntrySize = 12;

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

// The byte of the camera-info record that holds this camera's count in
// files of this container.
std::int32_t CountByte(const TCameraRow& camera, std::int32_t format) {
  switch (format) {
    case kFormatCr3:
      return camera.count_byte_cr3;
    case kFormatHeif:
      return camera.count_byte_heif;
    default:
      return camera.count_byte_tiff;
  }
}

}  // namespace

void TCanonFile::ReadDirectory(TDirectory role) {
  ScanDirectory(WalkLimits::kEntries, role);
  ResolvePending();
}

TTiffHeader TCanonFile::EnterTiffHeader(FileOffset offset) {
  DataFile.Seek(offset);
  const std::int32_t byte_order = ReadWord();
  if (byte_order == kByteOrderMotorola) {
    IntelOrder = 0;
  } else if (byte_order == kByteOrderIntel) {
    IntelOrder = 1;
  } else {
    return TTiffHeader::kBadByteOrder;
  }
  TiffBase = offset;
  return ReadWord() == kTiffMagic ? TTiffHeader::kGood : TTiffHeader::kBadMagic;
}

std::int32_t TCanonFile::ScanDirectory(std::int32_t entry_limit, TDirectory role) {
  const bool maker_note = role == TDirectory::kMakerNote;
  const FileOffset start = DataFile.Position();
  EntryCount = ReadWord();
  NextIfd = 0;
  const std::int32_t entries = std::min(EntryCount, std::max(entry_limit, 0));

  // Entries are fetched a batch at a time and decoded from memory.
  constexpr std::int32_t kBatch = 32;
  std::array<std::uint8_t, kBatch * kEntrySize> batch{};
  std::int32_t k = 0;
  while (k < entries) {
    if (DataFile.Position() >= DataFile.Size()) {
      // Past the end every entry reads as zeros: tag 0, which is skipped.
      EntryTag = EntryType = 0;
      ValueCount = 0;
      break;
    }
    const std::int32_t count = std::min(kBatch, entries - k);
    DataFile.Read(batch.data(), static_cast<std::size_t>(count) * kEntrySize);
    for (std::int32_t i = 0; i < count; ++i, ++k) {
      const std::uint8_t* entry = batch.data() + static_cast<std::size_t>(i) * kEntrySize;
      EntryTag = WordAt(entry);
      EntryType = WordAt(entry + 2);
      ValueCount = LongAt(entry + 4);
      const std::uint32_t unit = UnitSize(EntryType);
      if (unit != 0) ValueSize = WrapToInt32(static_cast<std::uint64_t>(ValueCount) * unit);
      const std::int64_t value = LongAt(entry + 8);
      const bool is_long_string = EntryType == kTypeAscii && ValueSize > 4;
      // The camera-info record's size in bytes; undefined bytes count one each.
      const std::uint32_t record_unit = EntryType == kTypeUndefined ? 1 : unit;

      // A later entry overwrites what an earlier one stored; a string entry
      // that is skipped leaves its field as it was.
      switch (EntryTag) {
        case kTagExifIfd:
          ExifIfd = value;
          break;
        case kTagMakerNote:
          MakerNoteIfd = value;
          break;
        case kTagCameraType:
          if (is_long_string) Pending.model = value + TiffBase;
          break;
        case kTagFirmware:
          if (is_long_string) Pending.firmware = value + TiffBase;
          break;
        case kTagOwner:
          if (is_long_string) Pending.owner = value + TiffBase;
          break;
        case kTagSerialNumber:
          SerialNumber = WrapToInt32(static_cast<std::uint64_t>(value));
          HasSerialNumber = true;
          break;
        case kTagShutterCount:
          Pending.shutter_count = value + TiffBase;
          break;
        case kTagBodySerial:
          if (is_long_string) Pending.body_serial = value + TiffBase;
          break;
        case kTagModelId:
          if (maker_note && EntryType == kTypeLong && ValueCount == 1) {
            ModelId = static_cast<std::uint32_t>(value);
          }
          break;
        case kTagCameraInfo:
          if (maker_note && record_unit != 0) {
            Pending.camera_info = TRecord{value + TiffBase, ValueCount * record_unit};
          }
          break;
        default:
          break;  // the four value bytes are read and dropped
      }
    }
  }
  DataFile.Seek(start + 2 + static_cast<FileOffset>(kEntrySize) * EntryCount);
  NextIfd = ReadLong();
  return k;
}

// Reading a value at an offset changes nothing but its field, and only the
// last entry of each kind counts, so each is read once, when all entries
// before it are through.
void TCanonFile::ResolvePending() {
  if (Pending.model) Model = ReadStringAt(*Pending.model);
  if (Pending.firmware) Firmware = ReadStringAt(*Pending.firmware);
  if (Pending.owner) Owner = ReadStringAt(*Pending.owner);
  if (Pending.body_serial) BodySerialNumber = ReadStringAt(*Pending.body_serial);

  // The camera decides where its count is. A file that names no camera is
  // read as the 1D files this program was first made for.
  Camera = ModelId ? FindCamera(*ModelId) : nullptr;
  const TCountPlace place = !ModelId            ? TCountPlace::kCounterRecord
                            : Camera != nullptr ? Camera->count
                                                : TCountPlace::kNone;
  switch (place) {
    case TCountPlace::kCounterRecord:
      if (Pending.shutter_count) ShutterCount = ReadShutterCountAt(*Pending.shutter_count);
      break;
    case TCountPlace::kCameraInfo: {
      const std::int32_t byte = CountByte(*Camera, Format);
      const bool holds_it = byte != kNoCountByte && Pending.camera_info &&
                            Pending.camera_info->size >= std::int64_t{byte} + 4;
      ShutterCount = holds_it ? WrapToInt32(static_cast<std::uint64_t>(
                                    ReadLongAt(Pending.camera_info->offset + byte)))
                              : 0;
      break;
    }
    case TCountPlace::kNone:
      ShutterCount = 0;  // not found: the camera keeps none in its files
      break;
  }
  Pending = TPendingReads{};
}

void TCanonFile::WalkDirectories() {
  std::int32_t entries_left = WalkLimits::kEntries;
  const auto read_directory_at = [&](FileOffset offset, TDirectory role) {
    DataFile.Seek(offset);
    entries_left -= ScanDirectory(entries_left, role);
  };

  FirstIfd = ReadLong() + TiffBase;
  read_directory_at(FirstIfd, TDirectory::kMain);

  // A chain that comes back to a directory already read would go round for
  // ever; it ends there, as it does at the length cap.
  std::array<FileOffset, WalkLimits::kChainDirectories> chain{};
  std::size_t chain_length = 0;
  chain[chain_length++] = FirstIfd;
  while (NextIfd != 0) {
    NextIfd += TiffBase;
    const auto chain_end = chain.begin() + static_cast<std::ptrdiff_t>(chain_length);
    if (chain_length == chain.size() || std::find(chain.begin(), chain_end, NextIfd) != chain_end) {
      break;
    }
    chain[chain_length++] = NextIfd;
    read_directory_at(NextIfd, TDirectory::kMain);
  }

  // Once each, after the whole chain, with the last pointer found.
  if (ExifIfd != 0) {
    ExifIfd += TiffBase;
    read_directory_at(ExifIfd, TDirectory::kExif);
  }
  if (MakerNoteIfd != 0) {
    MakerNoteIfd += TiffBase;
    read_directory_at(MakerNoteIfd, TDirectory::kMakerNote);
  }
  ResolvePending();
}

}  // namespace camerafile
