// CR3 raw files: in the moov box, Canon's uuid box holds the boxes CMT1,
// CMT2 and CMT3, each a whole TIFF structure whose offsets count from the
// box's payload: the main directory, the Exif directory and the maker note.
#include <algorithm>
#include <array>
#include <cstring>

#include "camerafile/canon_file.h"
#include "camerafile/iso_boxes.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

constexpr std::uint32_t kMoov = FourCC("moov");
constexpr std::uint32_t kUuid = FourCC("uuid");
// 85c0b687-820f-11e0-8111-f4ce462b6a48
constexpr std::array<std::uint8_t, 16> kCanonUuid = {
    0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0, 0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
constexpr FileOffset kUuidSize = 16;

struct TTiffBox {
  std::uint32_t type;
  TDirectory role;
};
constexpr TTiffBox kTiffBoxes[] = {
    {FourCC("CMT1"), TDirectory::kMain},
    {FourCC("CMT2"), TDirectory::kExif},
    {FourCC("CMT3"), TDirectory::kMakerNote},
};
constexpr std::size_t kTiffBoxCount = sizeof kTiffBoxes / sizeof kTiffBoxes[0];

bool IsCanonBox(TCanonFile& file, const TBox& box) {
  if (box.end - box.payload < kUuidSize) return false;
  std::array<std::uint8_t, kUuidSize> id{};
  file.DataFile.Seek(box.payload);
  file.DataFile.Read(id.data(), id.size());
  return id == kCanonUuid;
}

}  // namespace

void TCanonFile::ReadCr3() {
  IntelOrder = 0;  // the boxes are big-endian, whatever the TIFF structures inside
  const auto moov = TBoxList(*this, 0, DataFile.Size()).Find(kMoov);
  if (!moov) return;
  // The first Canon box that holds any of the TIFF boxes (a Canon box of
  // its ID alone holds none), and in it the first box of each kind, all
  // found before any TIFF header sets its own byte order.
  TBoxList in_moov(*this, *moov, 0);
  std::array<std::optional<TBox>, kTiffBoxCount> found;
  const auto none_found = [&] {
    return std::none_of(found.begin(), found.end(),
                        [](const auto& box) { return box.has_value(); });
  };
  for (std::int32_t canon_boxes = 0; none_found() && canon_boxes < BoxLimits::kCanonBoxes;) {
    const auto canon = in_moov.Find(kUuid);
    if (!canon) return;
    if (!IsCanonBox(*this, *canon)) continue;
    ++canon_boxes;
    TBoxList in_canon(*this, *canon, kUuidSize);
    while (const auto box = in_canon.Next()) {
      for (std::size_t i = 0; i < kTiffBoxCount; ++i) {
        if (box->type == kTiffBoxes[i].type && !found[i]) found[i] = box;
      }
    }
  }
  if (none_found()) return;

  // A damaged header leaves what its box would have given at the defaults.
  // The maker note is the CMT3 box, whose form the makers' table gives (a
  // TIFF structure of its own, Canon's): it is read when the main directory
  // names Canon, or no maker.
  std::int32_t entries_left = WalkLimits::kEntries;
  for (std::size_t i = 0; i < kTiffBoxCount; ++i) {
    const TDirectory role = kTiffBoxes[i].role;
    if (role == TDirectory::kMakerNote) {
      ReadMakeAndModel();
      TMakerNote note{MakerOf(MakerState.make), std::nullopt};
      if (found[i]) {
        const TNotePlace place{TNoteHolder::kCr3Box, found[i]->payload,
                               found[i]->end - found[i]->payload, ByteOrder(), found[i]->payload};
        note = FindMakerNote(*this, MakerState.make, place);
      }
      entries_left -= ReadNote(note, entries_left);
      continue;
    }
    if (!found[i] || found[i]->end - found[i]->payload < kTiffHeaderSize) continue;
    if (EnterTiffHeader(found[i]->payload) != TTiffHeader::kGood) continue;
    FirstIfd = ReadLong() + TiffBase;
    DataFile.Seek(FirstIfd);
    entries_left -= ScanDirectory(entries_left, role);
  }
  TakeResults();
}

}  // namespace camerafile
