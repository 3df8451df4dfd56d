// JPEG: the camera's TIFF structure sits in the Exif APP1 segment, which
// follows the start-of-image marker, or an APP0 (JFIF) segment after it.
// Where another segment comes first (a photo editor's APP13, an ICC
// profile's APP2, a comment, a camera's APP5), the segments are looked
// through for it.
#include <array>
#include <cstdio>

#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

constexpr std::int32_t kMarkerApp0 = 0xFFE0;
constexpr std::int32_t kMarkerApp1 = 0xFFE1;
constexpr std::int32_t kMarkerApp15 = 0xFFEF;
constexpr std::int32_t kMarkerComment = 0xFFFE;
constexpr FileOffset kMarkerSize = 2;
constexpr FileOffset kFirstSegment = kMarkerSize;  // after the start-of-image marker
// Marker, length, "Exif" 00 and a padding byte, then the TIFF header.
constexpr std::array<std::uint8_t, 5> kExifIdentifier = {'E', 'x', 'i', 'f', 0};
constexpr FileOffset kTiffInApp1 = 10;
constexpr std::int32_t kShortestExifSegment = 8;
constexpr const char* kByteOrderError = "Fehler im TIFF-HEADER des jpg, ByteOrder !\n";
constexpr const char* kMagicError = "Fehler im TIFF-HEADER des jpg, TifKennung !\n";

}  // namespace

std::optional<FileOffset> TCanonFile::FindExifSegment() {
  FileOffset at = kFirstSegment;
  for (std::int32_t looked_at = 0; looked_at < JpegLimits::kSegments; ++looked_at) {
    DataFile.Seek(at);
    const std::int32_t marker = ReadWordIn(TByteOrder::kBig);
    const bool app = marker >= kMarkerApp0 && marker <= kMarkerApp15;
    if (!app && marker != kMarkerComment) return std::nullopt;
    // The length counts its own two bytes but not the marker.
    const std::int32_t length = ReadWordIn(TByteOrder::kBig);
    if (length < 2) return std::nullopt;
    std::array<std::uint8_t, kExifIdentifier.size()> identifier{};
    DataFile.Read(identifier.data(), identifier.size());
    if (marker == kMarkerApp1 && length >= kShortestExifSegment && identifier == kExifIdentifier) {
      return at + kTiffInApp1;
    }
    at += kMarkerSize + length;
  }
  return std::nullopt;
}

void TCanonFile::LocateJpegExif() {
  if (ReadWord() == kMarkerApp0) {
    // The length counts its own two bytes but not the marker.
    const std::int32_t length = ReadWord();
    DataFile.Seek(DataFile.Position() + length - 2);
    ReadWord();  // marker of the next segment, taken to be APP1
  }
  ReadWord();                              // segment length
  for (int i = 0; i < 3; ++i) ReadWord();  // "Exif" 00 00

  TTiffHeader header = EnterTiffHeader(DataFile.Position());
  if (header == TTiffHeader::kBadByteOrder) {
    // Not where the Exif segment usually stands: where it is.
    if (const auto tiff = FindExifSegment()) header = EnterTiffHeader(*tiff);
  }
  if (header != TTiffHeader::kGood) {
    const char* line = header == TTiffHeader::kBadByteOrder ? kByteOrderError : kMagicError;
    if (Messages != nullptr) std::fputs(line, Messages);
    return;
  }
  WalkDirectories();
}

}  // namespace camerafile
