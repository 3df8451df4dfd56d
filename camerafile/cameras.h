// Which camera keeps its exposure count where: one row per camera, looked
// up by the model ID the file names (maker-note tag 0x0010, or CIFF heap
// record 0x1834). A camera not listed keeps no count in its files.
#pragma once

#include <cstdint>

namespace camerafile {

// Where the files of a camera keep the exposure count.
enum class TCountPlace {
  kNone,           // nowhere: the count shows as 0, "not found"
  kCounterRecord,  // words 1 and 2 of the maker note's 0x0093 record
  kCameraInfo,     // a 32-bit number in the maker note's 0x000D record
};

// What the fixed-offset CIFF readout is for, and what a CIFF file of
// another camera gives.
enum class TCiffReadout {
  kNothing,       // serial 0, count 0
  kFixedOffsets,  // the D60 and 10D: serial and count at the anchor's offsets
  kHeapSerial,    // serial from heap record 0x180B, count 0
};

// No byte of the camera-info record holds the count in this container.
constexpr std::int32_t kNoCountByte = -1;

struct TCameraRow {
  std::uint32_t model_id;
  const char* camera;
  TCountPlace count;
  // kCameraInfo: the byte of the 0x000D record at which the count stands,
  // in TIFF and JPEG files, in CR3 files and in HEIF files.
  std::int32_t count_byte_tiff;
  std::int32_t count_byte_cr3;
  std::int32_t count_byte_heif;
  TCiffReadout ciff;
  // The count includes releases of the electronic shutter.
  bool electronic_releases;
};

// The row of the camera with this model ID, or nullptr.
const TCameraRow* FindCamera(std::uint32_t model_id);

}  // namespace camerafile
