// Nikon's maker note: the exposure count of its DSLRs and Z cameras, and
// the serial number. The note either carries a TIFF header of its own
// (offsets count from it) or, on Coolpix cameras and the D1, is a directory
// at its first byte with offsets from the file's TIFF header.
#include "camerafile/canon_file.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeLong = 4;

// The tags read, in the order of kTags.
enum { kShutterCount, kSerialNumber, kOldSerialNumber };
constexpr TTagRule kTags[] = {
    // Mechanical and electronic releases together, on bodies with both.
    {0x00A7, kTypeLong, 1, 1},
    // As text; strings of four bytes or fewer would stand in the entry and
    // are not read, like the body serial number.
    {0x001D, kTypeAscii, 5, kAnyCount},
    // The D70 and D2H: "NO= 20025585" and the like.
    {0x00A0, kTypeAscii, 5, kAnyCount},
};

// The count a body writes when it has none to give.
constexpr std::uint32_t kNotAvailable = 0xFFFFF7FFu;

}  // namespace

TMakerValues ReadNikonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view,
                           std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kTags, entries_left);
  TMakerValues values;
  values.includes = TCountIncludes::kElectronicWhereFitted;
  if (found[kShutterCount] && found[kShutterCount]->value != kNotAvailable) {
    values.count = WrapToInt32(found[kShutterCount]->value);
  }
  for (const auto& serial : {found[kSerialNumber], found[kOldSerialNumber]}) {
    if (serial) values.serial = file.ReadStringAt(note.base + serial->value);
    if (!values.serial.empty()) break;
  }
  return values;
}

}  // namespace camerafile
