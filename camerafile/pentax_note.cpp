// Pentax's maker note: the exposure count of its DSLRs, scrambled with the
// picture's date and time, and the serial number where the body writes one
// (the K10D and the *ist D series do not). Here tags 6 and 7 are the date
// and the time. Ricoh's GR III writes the same note.
#include <algorithm>
#include <array>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

// The tags read, in the order of kTags. The first three stand in their
// entries, each four bytes read as a big-endian number whatever the note's
// byte order.
enum { kScrambledCount, kDate, kTime, kSerialNumber };
constexpr TTagRule kTags[] = {
    {0x005D, TypeBit(kTypeUndefined), 4, 4},
    {0x0006, TypeBit(kTypeUndefined), 4, 4},  // year (2 bytes), month, day
    {0x0007, TypeBit(kTypeUndefined), 3, 4},  // hour, minute, second (and a zero)
    {0x0229, TypeBit(kTypeAscii), 1, kAnyCount},
};

std::uint32_t BigEndian(const TFoundEntry& entry) {
  // A shorter value is followed by zero bytes to four.
  std::array<std::uint8_t, 4> bytes{};
  std::copy_n(entry.bytes.begin(), std::min<std::size_t>(entry.count, bytes.size()), bytes.begin());
  return DecodeU32(bytes.data(), TByteOrder::kBig);
}

}  // namespace

TMakerValues ReadPentaxNote(TCanonFile& file, const TNoteDirectory& note, std::string_view,
                            std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kTags, entries_left);
  TMakerValues values;
  values.includes = TCountIncludes::kNoLiveViewOrVideo;
  if (found[kScrambledCount] && found[kDate] && found[kTime]) {
    const std::uint32_t count = BigEndian(*found[kScrambledCount]) ^ BigEndian(*found[kDate]) ^
                                (0xFFFFFFFFu - BigEndian(*found[kTime]));
    values.count = WrapToInt32(count);
  }
  if (found[kSerialNumber])
    values.serial = SerialTextOf(NoteText(file, note, *found[kSerialNumber]));
  return values;
}

}  // namespace camerafile
