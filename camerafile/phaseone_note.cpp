// Phase One's maker note (IIQ raw files, and Leaf's backs): a directory of
// its own shape, not a TIFF one. A 32-bit entry count, four reserved bytes,
// then entries of four 32-bit numbers: tag, type, size and the value, which
// is the offset of the value from the note's first byte where the size is
// over four. Tag 0x0102 is the body's serial text. Phase One keeps no
// exposure count in its files.
#include <algorithm>
#include <array>

#include "camerafile/canon_file.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

constexpr std::int64_t kDirectoryHeader = 8;  // entry count, reserved
constexpr std::int64_t kEntryBytes = 16;
constexpr std::int64_t kTagSerialNumber = 0x0102;

}  // namespace

TMakerValues ReadPhaseOneNote(TCanonFile& file, const TNoteDirectory& note, std::string_view,
                              std::int32_t& entries_left) {
  file.DataFile.Seek(note.at);
  const std::int64_t count = file.ReadLongIn(note.order);
  // Counted in 64 bits: 2^32 - 1 entries overflow nothing.
  if (!note.Holds(file.DataFile, note.at, kDirectoryHeader + kEntryBytes * count)) return {};
  const auto entries =
      static_cast<std::int32_t>(std::min<std::int64_t>(count, std::max(entries_left, 0)));
  entries_left -= entries;

  std::optional<TTextValue> serial;
  file.DataFile.Seek(note.at + kDirectoryHeader);
  for (std::int32_t k = 0; k < entries; ++k) {
    std::array<std::uint8_t, kEntryBytes> entry{};
    file.DataFile.Read(entry.data(), entry.size());
    if (DecodeLong(entry.data(), note.order) != kTagSerialNumber) continue;
    TTextValue text{DecodeLong(entry.data() + 8, note.order), 0, {}};
    text.offset = note.base + DecodeLong(entry.data() + 12, note.order);
    std::copy_n(entry.begin() + 12, text.bytes.size(), text.bytes.begin());
    serial = text;  // a later entry replaces an earlier one
  }
  TMakerValues values;
  if (serial) values.serial = SerialTextOf(file.ReadText(*serial));
  return values;
}

}  // namespace camerafile
