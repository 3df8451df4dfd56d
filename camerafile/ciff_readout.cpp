// CIFF (D60/10D raw): the heap is not walked. The last eight bytes of the
// file give an anchor, and the serial number and the exposure count of these
// cameras stand at fixed distances from it.
#include "camerafile/canon_file.h"

namespace camerafile {
namespace {

constexpr FileOffset kTrailerDistance = 8;  // from the end of the file
constexpr FileOffset kSerialNumberDistance = 0x236;
constexpr FileOffset kShutterCountDistance = 0x296;

}  // namespace

void TCanonFile::ReadCiff() {
  // The real 64-bit size: a 32-bit one would misplace the anchor in files
  // of 2 GiB and more.
  DataFile.Seek(DataFile.Size() - kTrailerDistance);
  CiffAnchor = ReadLong() + CiffHeaderLength;
  DataFile.Seek(CiffAnchor + kSerialNumberDistance);
  SerialNumber = WrapToInt32(static_cast<std::uint64_t>(ReadLong()));
  DataFile.Seek(CiffAnchor + kShutterCountDistance);
  ShutterCount = ReadWord();
}

}  // namespace camerafile
