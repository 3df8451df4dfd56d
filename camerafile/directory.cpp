// TIFF image file directories: the main chain, then the Exif directory,
// then the maker note, read by the rules of the maker that wrote the file.
#include <algorithm>
#include <array>

#include "camerafile/cameras.h"
#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

// Tags acted on in the main and Exif directories.
constexpr std::int32_t kTagExifIfd = 0x8769;
constexpr std::int32_t kTagMakerNote = 0x927C;
constexpr std::int32_t kTagBodySerial = 0xA431;  // Exif body serial number, as text
constexpr std::int32_t kTagOwnerName = 0xA430;   // Exif CameraOwnerName
constexpr std::int32_t kTagDateTaken = 0x9003;   // Exif DateTimeOriginal
// Main directories only: who wrote the file, and for other makers' files
// the model and the artist; a DNG's copy of the raw file's maker note.
constexpr std::int32_t kTagMake = 0x010F;
constexpr std::int32_t kTagTiffModel = 0x0110;
constexpr std::int32_t kTagArtist = 0x013B;
constexpr std::int32_t kTagDngPrivateData = 0xC634;

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

// The maker whose own raw format the file is, for a file whose IFD0 names
// none: no Canon camera writes these, so they are never read as Canon's.
std::string_view MakeOfFormat(std::int32_t format) {
  switch (format) {
    case kFormatOrf:
      return "OLYMPUS";
    case kFormatRw2:
      return "Panasonic";
    case kFormatRaf:
      return "FUJIFILM";
    case kFormatMrw:
      return "Minolta";
    default:
      return {};
  }
}

// The five results of a Canon file, or of one that names no maker.
void TakeCanonResults(TCanonFile& file) {
  const TCanonTags& tags = file.MakerState.pending.canon;
  if (tags.model) file.Model = file.ReadStringAt(*tags.model);
  if (tags.firmware) file.Firmware = file.ReadStringAt(*tags.firmware);
  if (tags.owner) file.Owner = file.ReadStringAt(*tags.owner);
  if (tags.serial_number) {
    file.SerialNumber = WrapToInt32(*tags.serial_number);
    file.HasSerialNumber = true;
  }

  // The camera decides where its count is. A file that names no camera is
  // read as the 1D files this program was first made for.
  const TCameraRow* camera = tags.model_id ? FindCamera(*tags.model_id) : nullptr;
  file.Camera = camera;
  file.CountIncludes = camera != nullptr ? camera->includes : TCountIncludes::kShutterReleases;
  const TCountPlace place = !tags.model_id      ? TCountPlace::kCounterRecord
                            : camera != nullptr ? camera->count
                                                : TCountPlace::kNone;
  switch (place) {
    case TCountPlace::kCounterRecord:
      if (tags.counter_words) {
        file.ShutterCount =
            file.ReadShutterCountAt(tags.counter_words->offset, tags.counter_words->order);
      }
      break;
    case TCountPlace::kCameraInfo: {
      const std::int32_t byte = CountByte(*camera, file.Format);
      const auto& info = tags.camera_info;
      const bool holds_it = byte != kNoCountByte && info && info->size >= std::int64_t{byte} + 4;
      file.ShutterCount = holds_it ? WrapToInt32(static_cast<std::uint64_t>(
                                         file.ReadLongAt(info->offset + byte, info->order)))
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
  const TMakerState& state = file.MakerState;
  const auto& pending = state.pending;
  file.Model = state.tiff_model.value_or(kNoValue);
  file.Firmware = kNoValue;
  const std::string owner_name = pending.owner_name ? file.ReadText(*pending.owner_name) : "";
  const std::string artist = pending.artist ? file.ReadText(*pending.artist) : "";
  file.Owner = !owner_name.empty() ? owner_name : !artist.empty() ? artist : kNoValue;
  file.Camera = nullptr;
  file.ShutterCount = state.note.count;
  file.MechanicalCount = state.note.mechanical_count;
  file.CountIncludes = state.note.includes;
}

}  // namespace

void TCanonFile::ReadDirectory(TDirectory role) {
  ScanDirectory(WalkLimits::kEntries, role);
  TakeResults();
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
  const bool main = role == TDirectory::kMain;
  auto& pending = MakerState.pending;
  const FileOffset start = DataFile.Position();
  EntryCount = ReadWord();
  NextIfd = 0;
  const std::int32_t entries = std::min(EntryCount, std::max(entry_limit, 0));
  std::array<std::optional<TFoundEntry>, kCanonTagCount> canon;

  const auto take = [&](const TEntry& entry) {
    EntryTag = entry.tag;
    EntryType = entry.type;
    ValueCount = entry.count;
    const std::uint32_t unit = UnitSize(EntryType);
    if (EntryType <= kTypeRational && unit != 0) {
      ValueSize = WrapToInt32(static_cast<std::uint64_t>(ValueCount) * unit);
    }
    const TFoundEntry stored = Kept(entry);
    MatchEntry(entry.tag, stored, kCanonTags, kCanonTagCount, canon.data());
    const auto text = [&] { return TTextValue{entry.count, entry.value + TiffBase, stored.bytes}; };
    const bool is_ascii = EntryType == kTypeAscii;

    // A later entry replaces what an earlier one noted.
    switch (EntryTag) {
      case kTagExifIfd:
        ExifIfd = entry.value;
        break;
      case kTagMakerNote:
        MakerNoteIfd = entry.value;
        MakerNoteSize = ValueCount;
        break;
      case kTagBodySerial:
        if (is_ascii) pending.body_serial = text();
        break;
      case kTagOwnerName:
        if (is_ascii) pending.owner_name = text();
        break;
      case kTagDateTaken:
        if (role == TDirectory::kExif && is_ascii) pending.date_taken = text();
        break;
      case kTagMake:
        if (main && is_ascii) pending.make = text();
        break;
      case kTagTiffModel:
        if (main && is_ascii) pending.tiff_model = text();
        break;
      case kTagArtist:
        if (main && is_ascii) pending.artist = text();
        break;
      case kTagDngPrivateData:
        if (main && (EntryType == kTypeByte || EntryType == kTypeUndefined) &&
            entry.count > kInEntry) {
          pending.dng_private = TRecord{entry.value + TiffBase, entry.count, ByteOrder()};
        }
        break;
      default:
        break;  // the four value bytes are read and dropped
    }
  };
  const std::int32_t looked_at = ReadEntries(DataFile, entries, ByteOrder(), take);
  if (looked_at < entries) {
    // Past the end every entry reads as zeros.
    EntryTag = EntryType = 0;
    ValueCount = 0;
  }
  // Canon's own tags count wherever they stand; the model ID and the
  // camera-info record only in a directory read as the maker note.
  TakeCanonTags(canon.data(), TiffBase, ByteOrder(), role == TDirectory::kMakerNote, pending.canon);
  DataFile.Seek(start + 2 + static_cast<FileOffset>(kEntrySize) * EntryCount);
  NextIfd = ReadLong();
  return looked_at;
}

// Reading a value at an offset changes nothing but its field, and only the
// last entry of each kind counts, so each is read once, when all entries
// before it are through.
void TCanonFile::TakeResults() {
  auto& pending = MakerState.pending;
  if (pending.body_serial) BodySerialNumber = SerialTextOf(ReadText(*pending.body_serial));
  if (pending.date_taken) DateTaken = ExifDateTime(ReadText(*pending.date_taken));
  if (ReadsAsCanon(MakerState.maker)) {
    TakeCanonResults(*this);
  } else {
    TakeOtherMakersResults(*this);
  }
  pending = TMakerState::TPendingReads{};
}

void TCanonFile::ReadMakeAndModel() {
  auto& pending = MakerState.pending;
  if (pending.make) MakerState.make = ReadText(*pending.make);
  if (pending.tiff_model) MakerState.tiff_model = ReadText(*pending.tiff_model);
  pending.make.reset();
  pending.tiff_model.reset();
}

std::int32_t TCanonFile::ReadNote(const TMakerNote& note, std::int32_t entry_limit) {
  MakerState.maker = note.maker;
  std::int32_t entries_left = entry_limit;
  MakerState.note = ReadMakerValues(*this, note, MakerState.tiff_model.value_or(""), entries_left);
  OverlayCanonTags(MakerState.pending.canon, MakerState.note.canon);
  return entry_limit - entries_left;
}

std::int32_t TCanonFile::ReadMakerNote(std::int32_t entry_limit) {
  ReadMakeAndModel();
  const std::string_view make = !MakerState.make.empty() ? MakerState.make : MakeOfFormat(Format);
  // A DNG converter keeps the raw file's own note in its private data;
  // that one counts, whatever the Exif directory holds.
  if (const auto& dng = MakerState.pending.dng_private) {
    if (const auto note = FindDngNote(*this, make, dng->offset, dng->size)) {
      return ReadNote(*note, entry_limit);
    }
  }
  if (MakerNoteIfd == 0) return ReadNote({MakerOf(make), std::nullopt}, entry_limit);
  MakerNoteIfd += TiffBase;
  const TNotePlace place{TNoteHolder::kExif, MakerNoteIfd, MakerNoteSize, ByteOrder(), TiffBase};
  return ReadNote(FindMakerNote(*this, make, place), entry_limit);
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
  TakeResults();
}

}  // namespace camerafile
