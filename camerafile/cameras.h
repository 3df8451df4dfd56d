// Which camera keeps its exposure count where: one row per Canon camera,
// looked up by the model ID the file names (maker-note tag 0x0010, or CIFF
// heap record 0x1834), and one row per group of Sony models, looked up by
// the model name. A camera not listed keeps no count in its files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace camerafile {

// Where the files of a Canon camera keep the exposure count.
enum class TCountPlace {
  kNone,           // nowhere: the count shows as 0, "not found"
  kCounterRecord,  // words 1 and 2 of the maker note's 0x0093 record
  kCameraInfo,     // a 32-bit number in the maker note's 0x000D record
};

// What a count includes, for the sentence beside it. The numbers are the
// web page's too (Auslomat.html.in).
enum class TCountIncludes : std::int32_t {
  kShutterReleases = 0,        // every release of the shutter
  kElectronicToo = 1,          // Canon's R bodies: electronic-shutter releases too
  kElectronicWhereFitted = 2,  // Nikon: electronic releases too, on bodies that have one
  kNoLiveViewOrVideo = 3,      // Pentax: no live-view or video releases; servicing may reset it
  kEveryPicture = 4,           // Sony: every picture; some models leave silent shooting out
  kMechanicalOnly = 5,         // Sony's newest bodies: the mechanical shutter only
};

// What the fixed-offset CIFF readout is for, and what a CIFF file of
// another camera gives.
enum class TCiffReadout {
  kNothing,       // serial 0, count 0
  kFixedOffsets,  // the D60 and 10D: serial and count at the anchor's offsets
  kHeapSerial,    // serial from heap record 0x180B, count 0
};

// No byte of the record holds the count.
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
  TCountIncludes includes;
};

// The row of the Canon camera with this model ID, or nullptr.
const TCameraRow* FindCamera(std::uint32_t model_id);

// Model names that begin with a stem and one of its tails, then end where
// `end` says: anywhere, at the end of a word (what follows is not a letter,
// digit or '_'), or with the name itself.
enum class TNameEnd { kAny, kWord, kWhole };
struct TModelNames {
  const char* stem;
  const char* tails;  // separated by blanks; "" for the stem alone
  TNameEnd end;
};

// Where a Sony model keeps its count: the maker note's tag and the block
// of it that holds the count.
enum class TSonyPlace {
  kCipheredRecord,  // tag 0x9050, enciphered (the SLT bodies from 2011 on and later)
  kCameraSettings,  // tag 0x0020 of 19154 or 19148 bytes (A-mount DSLRs to 2009)
  kIndexedBlock,    // tag 0x0020's index, its block 0x0201 (the first SLT and NEX bodies)
};

// Where a Sony model keeps its count.
struct TSonyRow {
  const char* layout;  // the block's layout, as a letter or its tag
  const TModelNames* names;
  std::size_t name_count;
  bool all_but;  // the row is for every model its names do not match
  // Only when the 0x9050 record's first five stored bytes are 0.
  bool zero_lead;
  TSonyPlace place;
  std::int32_t count_byte;  // of the block; kNoCountByte: the model keeps none there
  TCountIncludes includes;
};

// The first row for this model name (trailing blanks not counted), or
// nullptr: none.
const TSonyRow* FindSonyRow(std::string_view model, bool zero_lead);

}  // namespace camerafile
