// Sigma's and Foveon's maker notes: the serial number (tag 0x0002). Sigma
// keeps no exposure count in its files.
#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

constexpr TTagRule kTags[] = {{0x0002, TypeBit(kTypeAscii), 1, kAnyCount}};

}  // namespace

TMakerValues ReadSigmaNote(TCanonFile& file, const TNoteDirectory& note, std::string_view,
                           std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kTags, entries_left);
  TMakerValues values;
  if (found[0]) values.serial = SerialTextOf(NoteText(file, note, *found[0]));
  return values;
}

}  // namespace camerafile
