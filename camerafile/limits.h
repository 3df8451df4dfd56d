// Caps on the work of one analysis, far above what camera files use, so
// that no count or offset taken from a crafted file can make a run cost many
// times what a real one does. The read budget of 64 KiB is the file
// reader's (data_file.h).
#pragma once

#include <cstdint>

namespace camerafile {

struct WalkLimits {
  // A ".cr2" chains four main directories, a 1D ".tif" and a JPEG two.
  static constexpr std::int32_t kChainDirectories = 32;
  // All directories of a camera file together hold some 150 entries; past
  // this many in one analysis, further entries are not looked at.
  static constexpr std::int32_t kEntries = 2048;
};

struct JpegLimits {
  // Segments looked through for the Exif one: cameras and editors put one
  // to four before it (JFIF, a second APP0, Photoshop's APP13, ICC
  // profiles in APP2, a comment).
  static constexpr std::int32_t kSegments = 32;
};

struct DngLimits {
  // Records of a DNG's private data passed over for the maker note's:
  // converters write one to three.
  static constexpr std::int32_t kRecords = 64;
};

struct BoxLimits {
  // A CR3's Canon box holds about ten boxes, a HEIF's meta box some twelve,
  // its item list one per tile (an R5's HEIF: about 50).
  static constexpr std::int32_t kBoxesPerList = 256;
  // Items located by one iloc box; the same reason as above.
  static constexpr std::int32_t kLocatedItems = 256;
  // An ftyp box names three to six brands.
  static constexpr std::int32_t kBrands = 64;
  // A CR3 holds one Canon box; a few are looked into, so that one that
  // holds nothing before it is passed over.
  static constexpr std::int32_t kCanonBoxes = 4;
};

struct MrwLimits {
  // An MRW file holds five blocks (PRD, TTW, WBG, RIF, PAD), the TIFF
  // structure second.
  static constexpr std::int32_t kBlocks = 16;
};

struct X3fLimits {
  // An X3F file lists five to ten sections.
  static constexpr std::int64_t kSections = 64;
  // Its property list holds some 30 to 60 names.
  static constexpr std::int64_t kProperties = 256;
};

struct CiffLimits {
  // The deepest record read sits three sub-heaps below the root.
  static constexpr std::int32_t kDepth = 3;
  // A CIFF heap directory of a camera holds at most some 25 records.
  static constexpr std::int32_t kRecordsPerHeap = 256;
};

}  // namespace camerafile
