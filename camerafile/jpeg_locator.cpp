// JPEG: the camera's TIFF structure sits in the Exif APP1 segment, which
// follows the start-of-image marker, or an APP0 (JFIF) segment after it.
#include <cstdio>

#include "camerafile/canon_file.h"

namespace camerafile {
namespace {

constexpr std::int32_t kMarkerApp0 = 0xFFE0;
constexpr const char* kByteOrderError = "Fehler im TIFF-HEADER des jpg, ByteOrder !\n";
constexpr const char* kMagicError = "Fehler im TIFF-HEADER des jpg, TifKennung !\n";

}  // namespace

void TCanonFile::LocateJpegExif() {
  if (ReadWord() == kMarkerApp0) {
    // The length counts its own two bytes but not the marker.
    const std::int32_t length = ReadWord();
    DataFile.Seek(DataFile.Position() + length - 2);
    ReadWord();  // marker of the next segment, taken to be APP1
  }
  ReadWord();                              // segment length
  for (int i = 0; i < 3; ++i) ReadWord();  // "Exif" 00 00

  const TTiffHeader header = EnterTiffHeader(DataFile.Position());
  if (header != TTiffHeader::kGood) {
    const char* line = header == TTiffHeader::kBadByteOrder ? kByteOrderError : kMagicError;
    if (Messages != nullptr) std::fputs(line, Messages);
    return;
  }
  WalkDirectories();
}

}  // namespace camerafile
