// Canon's maker note: a directory whose offsets count from the TIFF header.
// Tag 6 names the camera type (printed as the model), 7 the firmware, 9 the
// owner, 0x000C the serial number, 0x0010 the camera's model ID, 0x000D the
// camera-info record and 0x0093 nine words whose second and third are the
// 1D bodies' exposure counter. Which of the two holds the count follows the
// model ID (cameras.cpp).
#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/makers.h"

namespace camerafile {
namespace {

enum { kModel, kFirmware, kOwner, kSerialNumber, kCameraInfo, kModelId, kCounterWords };

// A string longer than four bytes; a count of 2^31 or more is none.
constexpr std::uint32_t kLongestString = 0x7FFFFFFF;
constexpr std::uint32_t kShortestString = kInEntry + 1;

}  // namespace

const TTagRule kCanonTags[kCanonTagCount] = {
    {0x0006, TypeBit(kTypeAscii), kShortestString, kLongestString},
    {0x0007, TypeBit(kTypeAscii), kShortestString, kLongestString},
    {0x0009, TypeBit(kTypeAscii), kShortestString, kLongestString},
    {0x000C, kAnyType, 0, kAnyCount},
    // Bytes, shorts, longs or rationals; undefined bytes count one each.
    {0x000D, TypeBits(kTypeByte, kTypeAscii, kTypeShort, kTypeLong, kTypeRational, kTypeUndefined),
     0, kAnyCount},
    {0x0010, TypeBit(kTypeLong), 1, 1},
    {0x0093, kAnyType, 0, kAnyCount},
};

void TakeCanonTags(const std::optional<TFoundEntry>* found, FileOffset base, TByteOrder order,
                   bool in_note, TCanonTags& tags) {
  const auto at = [&](std::size_t i) { return base + found[i]->value; };
  if (found[kModel]) tags.model = at(kModel);
  if (found[kFirmware]) tags.firmware = at(kFirmware);
  if (found[kOwner]) tags.owner = at(kOwner);
  if (found[kSerialNumber]) tags.serial_number = found[kSerialNumber]->value;
  if (found[kCounterWords]) tags.counter_words = TOrderedAt{at(kCounterWords), order};
  if (!in_note) return;
  if (found[kModelId]) tags.model_id = found[kModelId]->value;
  if (found[kCameraInfo]) {
    const std::int64_t size =
        std::int64_t{found[kCameraInfo]->count} * UnitSize(found[kCameraInfo]->type);
    tags.camera_info = TRecord{at(kCameraInfo), size, order};
  }
}

void OverlayCanonTags(TCanonTags& earlier, const TCanonTags& later) {
  const auto overlay = [](auto& into, const auto& from) {
    if (from) into = from;
  };
  overlay(earlier.model, later.model);
  overlay(earlier.firmware, later.firmware);
  overlay(earlier.owner, later.owner);
  overlay(earlier.serial_number, later.serial_number);
  overlay(earlier.counter_words, later.counter_words);
  overlay(earlier.camera_info, later.camera_info);
  overlay(earlier.model_id, later.model_id);
}

TMakerValues ReadCanonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view,
                           std::int32_t& entries_left) {
  const auto found = FindNoteEntries(file, note, kCanonTags, entries_left);
  TMakerValues values;
  TakeCanonTags(found.data(), note.base, note.order, true, values.canon);
  return values;
}

}  // namespace camerafile
