// TIFF image file directories: the main chain, then the Exif directory,
// then the maker note, read by the rules of the maker that wrote the file;
// Canon's is itself laid out as a directory.
#include <algorithm>
#include <array>
#include <string_view>

#include "camerafile/cameras.h"
#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

// Tags acted on in the main and Exif directories and in Canon's maker note.
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
// Main directories only: who wrote the file, and for other makers' files
// the model and the artist; their owner is Exif's CameraOwnerName.
constexpr std::int32_t kTagMake = 0x010F;
constexpr std::int32_t kTagTiffModel = 0x0110;
constexpr std::int32_t kTagArtist = 0x013B;
constexpr std::int32_t kTagOwnerName = 0xA430;

constexpr std::int32_t kTypeAscii = 2;
constexpr std::int32_t kTypeLong = 4;
constexpr std::int32_t kTypeUndefined = 7;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kInEntry = 4;  // value bytes that stand in the entry itself

// A note's directory in the wrong byte order shows a count of 0 or one in
// the thousands; no maker's directory holds more than a few hundred.
constexpr std::int32_t kMostNoteEntries = 512;

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

struct TEntry {
  std::int32_t tag;
  std::int32_t type;
  std::int64_t count;
  std::int64_t value;         // the value, or its offset
  const std::uint8_t* bytes;  // the value field as stored
};

// Hands up to `entries` entries from the current position to take(entry),
// decoded in the byte order given, and returns how many it handed over.
// Entries are fetched a batch at a time and decoded from memory; past the
// end of the file every entry would read as zeros, tag 0, which no rule
// takes, so the reading stops there.
template <typename Take>
std::int32_t ReadEntries(TDataFile& file, std::int32_t entries, std::int32_t intel_order,
                         Take&& take) {
  constexpr std::int32_t kBatch = 32;
  std::array<std::uint8_t, kBatch * kEntrySize> batch{};
  std::int32_t k = 0;
  while (k < entries && file.Position() < file.Size()) {
    const std::int32_t count = std::min(kBatch, entries - k);
    file.Read(batch.data(), static_cast<std::size_t>(count) * kEntrySize);
    for (std::int32_t i = 0; i < count; ++i, ++k) {
      const std::uint8_t* entry = batch.data() + static_cast<std::size_t>(i) * kEntrySize;
      take(TEntry{DecodeWord(entry, intel_order), DecodeWord(entry + 2, intel_order),
                  DecodeLong(entry + 4, intel_order), DecodeLong(entry + 8, intel_order),
                  entry + 8});
    }
  }
  return k;
}

// The five results of a Canon file, or of one that names no maker.
void TakeCanonResults(TCanonFile& file) {
  TCanonFile::TPendingReads& pending = file.Pending;
  if (pending.model) file.Model = file.ReadStringAt(*pending.model);
  if (pending.firmware) file.Firmware = file.ReadStringAt(*pending.firmware);
  if (pending.owner) file.Owner = file.ReadStringAt(*pending.owner);
  if (pending.serial_number) {
    file.SerialNumber = *pending.serial_number;
    file.HasSerialNumber = true;
  }

  // The camera decides where its count is. A file that names no camera is
  // read as the 1D files this program was first made for.
  const TCameraRow* camera = file.ModelId ? FindCamera(*file.ModelId) : nullptr;
  file.Camera = camera;
  file.CountIncludes = camera != nullptr ? camera->includes : TCountIncludes::kShutterReleases;
  const TCountPlace place = !file.ModelId       ? TCountPlace::kCounterRecord
                            : camera != nullptr ? camera->count
                                                : TCountPlace::kNone;
  switch (place) {
    case TCountPlace::kCounterRecord:
      if (pending.shutter_count) {
        file.ShutterCount = file.ReadShutterCountAt(*pending.shutter_count);
      }
      break;
    case TCountPlace::kCameraInfo: {
      const std::int32_t byte = CountByte(*camera, file.Format);
      const bool holds_it = byte != kNoCountByte && pending.camera_info &&
                            pending.camera_info->size >= std::int64_t{byte} + 4;
      file.ShutterCount = holds_it ? WrapToInt32(static_cast<std::uint64_t>(
                                         file.ReadLongAt(pending.camera_info->offset + byte)))
                                   : 0;
      break;
    }
    case TCountPlace::kNone:
      file.ShutterCount = 0;  // not found: the camera keeps none in its files
      break;
  }
}

// Another maker's file: the model and owner of its main and Exif
// directories, no firmware text, and what its note gave, if anything.
void TakeOtherMakersResults(TCanonFile& file) {
  const TCanonFile::TPendingReads& pending = file.Pending;
  file.Model = file.TiffModel.value_or(kNoValue);
  file.Firmware = kNoValue;
  const std::string owner_name = pending.owner_name ? file.ReadStringAt(*pending.owner_name) : "";
  const std::string artist = pending.artist ? file.ReadStringAt(*pending.artist) : "";
  file.Owner = !owner_name.empty() ? owner_name : !artist.empty() ? artist : kNoValue;
  file.Camera = nullptr;
  file.ShutterCount = file.MakerValues.count;
  file.CountIncludes = file.MakerValues.includes;
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
  const bool main = role == TDirectory::kMain;
  const FileOffset start = DataFile.Position();
  EntryCount = ReadWord();
  NextIfd = 0;
  const std::int32_t entries = std::min(EntryCount, std::max(entry_limit, 0));

  const auto take = [&](const TEntry& entry) {
    EntryTag = entry.tag;
    EntryType = entry.type;
    ValueCount = entry.count;
    const std::uint32_t unit = UnitSize(EntryType);
    if (unit != 0) ValueSize = WrapToInt32(static_cast<std::uint64_t>(ValueCount) * unit);
    const std::int64_t value = entry.value;
    const bool is_ascii = EntryType == kTypeAscii;
    const bool is_long_string = is_ascii && ValueSize > 4;
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
        MakerNoteSize = ValueCount;
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
        Pending.serial_number = WrapToInt32(static_cast<std::uint64_t>(value));
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
      case kTagMake:
        if (main && is_long_string) {
          Pending.make = TMakeText{value + TiffBase, {}};
        } else if (main && is_ascii) {
          // Up to four bytes stand in the entry, up to the first zero byte.
          const auto* bytes = reinterpret_cast<const char*>(entry.bytes);
          const auto length =
              static_cast<std::size_t>(std::min<std::int64_t>(ValueCount, kInEntry));
          const std::size_t zero = std::string_view(bytes, length).find('\0');
          Pending.make = TMakeText{std::nullopt, std::string(bytes, std::min(zero, length))};
        }
        break;
      case kTagTiffModel:
        if (main && is_long_string) Pending.tiff_model = value + TiffBase;
        break;
      case kTagArtist:
        if (main && is_long_string) Pending.artist = value + TiffBase;
        break;
      case kTagOwnerName:
        if (is_long_string) Pending.owner_name = value + TiffBase;
        break;
      default:
        break;  // the four value bytes are read and dropped
    }
  };
  const std::int32_t looked_at = ReadEntries(DataFile, entries, IntelOrder, take);
  if (looked_at < entries) {
    // Past the end every entry reads as zeros.
    EntryTag = EntryType = 0;
    ValueCount = 0;
  }
  DataFile.Seek(start + 2 + static_cast<FileOffset>(kEntrySize) * EntryCount);
  NextIfd = ReadLong();
  return looked_at;
}

// Reading a value at an offset changes nothing but its field, and only the
// last entry of each kind counts, so each is read once, when all entries
// before it are through.
void TCanonFile::ResolvePending() {
  if (Pending.body_serial) BodySerialNumber = ReadStringAt(*Pending.body_serial);
  if (Maker == TMaker::kCanon) {
    TakeCanonResults(*this);
  } else {
    TakeOtherMakersResults(*this);
  }
  Pending = TPendingReads{};
}

void TCanonFile::IdentifyMaker() {
  if (Pending.make) {
    Make = Pending.make->offset ? ReadStringAt(*Pending.make->offset) : Pending.make->in_entry;
  }
  if (Pending.tiff_model) TiffModel = ReadStringAt(*Pending.tiff_model);
  Pending.make.reset();
  Pending.tiff_model.reset();
  Maker = MakerOf(Make);
}

std::int32_t TCanonFile::ReadMakerNote(std::int32_t entry_limit) {
  IdentifyMaker();
  if (MakerNoteIfd == 0) return 0;
  MakerNoteIfd += TiffBase;
  const TMakerNote note = FindMakerNote(*this, Make, MakerNoteIfd, MakerNoteSize);
  Maker = note.maker;
  if (Maker == TMaker::kCanon) {
    DataFile.Seek(MakerNoteIfd);
    return ScanDirectory(entry_limit, TDirectory::kMakerNote);
  }
  if (!note.directory || note.read == nullptr) return 0;
  std::int32_t entries_left = entry_limit;
  MakerValues = note.read(*this, *note.directory, TiffModel.value_or(""), entries_left);
  return entry_limit - entries_left;
}

void FindNoteEntries(TCanonFile& file, const TNoteDirectory& note, const TTagRule* rules,
                     std::size_t rule_count, std::optional<TNoteEntry>* found,
                     std::int32_t& entries_left) {
  std::array<std::uint8_t, 2> count_bytes{};
  file.DataFile.Seek(note.at);
  file.DataFile.Read(count_bytes.data(), count_bytes.size());
  std::int32_t order = note.intel_order;
  std::int32_t count = DecodeWord(count_bytes.data(), order);
  const std::int32_t other = DecodeWord(count_bytes.data(), 1 - order);
  if ((count == 0 || count > kMostNoteEntries) && other >= 1 && other <= kMostNoteEntries) {
    order = 1 - order;
    count = other;
  }
  const FileOffset end = std::min(note.note_end, file.DataFile.Size());
  const FileOffset size = 2 + static_cast<FileOffset>(kEntrySize) * count;
  if (note.at < note.note_begin || note.at > end || end - note.at < size) return;

  const std::int32_t entries = std::min(count, std::max(entries_left, 0));
  entries_left -= ReadEntries(file.DataFile, entries, order, [&](const TEntry& entry) {
    for (std::size_t i = 0; i < rule_count; ++i) {
      const TTagRule& rule = rules[i];
      if (entry.tag != rule.tag || entry.type != rule.type || entry.count < rule.min_count ||
          entry.count > rule.max_count) {
        continue;
      }
      TNoteEntry& kept = found[i].emplace();
      kept.count = static_cast<std::uint32_t>(entry.count);
      kept.value = static_cast<std::uint32_t>(entry.value);
      std::copy(entry.bytes, entry.bytes + kInEntry, kept.bytes.begin());
    }
  });
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
  entries_left -= ReadMakerNote(entries_left);
  ResolvePending();
}

}  // namespace camerafile
