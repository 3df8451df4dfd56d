// ISO base media files (CR3 raw, HEIF): a list of boxes, each a 32-bit
// big-endian size that counts its own 8-byte header (1: a 64-bit size
// follows the type; 0: the box runs to the end of its parent), then a
// four-character type. All numbers of the box structure are big-endian.
#pragma once

#include <cstdint>
#include <optional>

#include "camerafile/canon_file.h"

namespace camerafile {

// A box type, read as a big-endian 32-bit number.
constexpr std::uint32_t FourCC(const char (&type)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(type[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(type[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(type[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(type[3]));
}

struct TBox {
  std::uint32_t type;
  FileOffset payload;  // after the header and any 64-bit size
  FileOffset end;      // never past the end of the parent
};

// The boxes between begin and end, in file order, never reaching past end.
// A box that does not fit, or is smaller than its header, ends the list, and
// so does the list's cap on boxes. Reads through the file's byte-order
// reader, so IntelOrder must be 0 (big-endian) while a list is read.
class TBoxList {
 public:
  TBoxList(TCanonFile& file, FileOffset begin, FileOffset end)
      : file_(file), at_(begin), end_(end) {}
  // The children of a box, after skip bytes of its payload (a full box's
  // version and flags, a uuid box's ID); none when the payload is shorter.
  TBoxList(TCanonFile& file, const TBox& parent, FileOffset skip);

  std::optional<TBox> Next();
  // The first box of this type from here on.
  std::optional<TBox> Find(std::uint32_t type);

 private:
  TCanonFile& file_;
  FileOffset at_;
  FileOffset end_;
  std::int32_t seen_ = 0;
};

// A full box's version, the first byte of its payload; nothing when the
// payload cannot hold version and flags.
std::optional<std::int32_t> FullBoxVersion(TCanonFile& file, const TBox& box);

}  // namespace camerafile
