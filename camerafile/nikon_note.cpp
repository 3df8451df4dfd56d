// Nikon's maker note: the exposure count of its DSLRs and Z cameras, the
// mechanical releases among them, and the serial number. The note either
// carries a TIFF header of its own (offsets count from it) or, on Coolpix
// cameras and the D1, is a directory at its first byte with offsets from the
// file's TIFF header.
#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

// The tags read, in the order of kTags.
enum { kShutterCount, kMechanicalCount, kSerialNumber, kOldSerialNumber };
constexpr TTagRule kTags[] = {
    // Mechanical and electronic releases together, on bodies with both.
    {0x00A7, TypeBit(kTypeLong), 1, 1},
    // The mechanical shutter's alone (the Z 6, D850 and Nikon 1 bodies).
    {0x0037, TypeBit(kTypeLong), 1, 1},
    {0x001D, TypeBit(kTypeAscii), 1, kAnyCount},
    // Where a body writes it, the serial number; the D70 and D2H: "NO=
    // 20025585" and the like. The D50 leaves it blank and writes its model
    // name into 0x001D.
    {0x00A0, TypeBit(kTypeAscii), 1, kAnyCount},
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
  // Part of the total, never more.
  if (found[kMechanicalCount] && values.count > 0 &&
      found[kMechanicalCount]->value <= static_cast<std::uint32_t>(values.count)) {
    values.mechanical_count = WrapToInt32(found[kMechanicalCount]->value);
  }
  const auto& serial = found[kOldSerialNumber] ? found[kOldSerialNumber] : found[kSerialNumber];
  if (serial) values.serial = SerialTextOf(NoteText(file, note, *serial));
  return values;
}

}  // namespace camerafile
