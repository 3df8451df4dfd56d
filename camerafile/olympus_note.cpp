// Olympus's and OM System's maker notes: the serial number. Olympus keeps
// no exposure count in its files. The serial stands in the note's own
// directory (0x101A, or 0x0404), in the camera-settings directory that
// 0x4000 leads to (0x0404), or in the Equipment directory that 0x2010 leads
// to (0x0101); the directories lie inside the note.
#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

constexpr std::uint16_t kAscii = TypeBit(kTypeAscii);
// A sub-directory: its offset from the note's base (IFD or LONG), or, on
// older bodies, its bytes as the value (undefined or ASCII), at that offset.
constexpr std::uint16_t kSubDirectory = TypeBits(kTypeIfd, kTypeLong, kTypeUndefined, kTypeAscii);

enum { kSerialNumber, kBodySerial, kCameraSettings, kEquipment };
constexpr TTagRule kTags[] = {
    {0x101A, kAscii, 1, kAnyCount},
    {0x0404, kAscii, 1, kAnyCount},
    {0x4000, TypeBits(kTypeIfd, kTypeLong), 1, kAnyCount},
    {0x2010, kSubDirectory, 1, kAnyCount},
};
constexpr TTagRule kCameraSettingsTags[] = {{0x0404, kAscii, 1, kAnyCount}};
constexpr TTagRule kEquipmentTags[] = {{0x0101, kAscii, 1, kAnyCount}};

// The serial text a directory's entry gives; its trailing blanks are
// padding.
std::string SerialOf(TCanonFile& file, const TNoteDirectory& note,
                     const std::optional<TFoundEntry>& entry) {
  return entry ? SerialTextOf(NoteText(file, note, *entry), true) : std::string();
}

// The serial in the sub-directory an entry leads to.
template <std::size_t N>
std::string SerialBelow(TCanonFile& file, const TNoteDirectory& note,
                        const std::optional<TFoundEntry>& pointer, const TTagRule (&rules)[N],
                        std::int32_t& entries_left) {
  if (!pointer) return {};
  TNoteDirectory below = note;
  below.at = note.base + pointer->value;
  const auto found = FindNoteEntries(file, below, rules, entries_left);
  return SerialOf(file, below, found[0]);
}

}  // namespace

TMakerValues ReadOlympusNote(TCanonFile& file, const TNoteDirectory& note, std::string_view,
                             std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kTags, entries_left);
  TMakerValues values;
  // The first place that holds a serial text.
  values.serial = SerialOf(file, note, found[kSerialNumber]);
  if (values.serial.empty()) values.serial = SerialOf(file, note, found[kBodySerial]);
  if (values.serial.empty()) {
    values.serial =
        SerialBelow(file, note, found[kCameraSettings], kCameraSettingsTags, entries_left);
  }
  if (values.serial.empty()) {
    values.serial = SerialBelow(file, note, found[kEquipment], kEquipmentTags, entries_left);
  }
  return values;
}

}  // namespace camerafile
