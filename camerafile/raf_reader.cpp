// Fujifilm's RAF raw files: "FUJIFILMCCD-RAW ", the format's version, the
// camera's ID and name, then at byte 84 the offset and at 88 the length of
// the camera's JPEG in the file (both big-endian). That JPEG holds the Exif
// segment with Make, Model, the date and Fujifilm's maker note, its offsets
// counting within the JPEG: it is read as a JPEG of its own.
#include <array>
#include <string_view>

#include "camerafile/canon_file.h"

namespace camerafile {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kRafSignature = "FUJIFILMCCD-RAW "sv;
constexpr FileOffset kJpegOffsetAt = 84;
constexpr FileOffset kRafHeaderSize = 92;  // through the JPEG's length at 88
constexpr std::int32_t kJpegStartOfImage = 0xFFD8;

}  // namespace

bool TCanonFile::EnterRafJpeg() {
  const FileOffset size = DataFile.Size();
  if (size < kRafHeaderSize) return false;
  std::array<char, kRafSignature.size()> signature{};
  DataFile.Seek(0);
  DataFile.Read(reinterpret_cast<std::uint8_t*>(signature.data()), signature.size());
  if (std::string_view(signature.data(), signature.size()) != kRafSignature) return false;
  DataFile.Seek(kJpegOffsetAt);
  const FileOffset offset = ReadLongIn(TByteOrder::kBig);
  const std::int64_t length = ReadLongIn(TByteOrder::kBig);
  // Not inside its own header, nor past the file; a RAF there again is no
  // JPEG either.
  if (offset < kRafHeaderSize || offset >= size || length == 0) return false;
  DataFile.Seek(offset);
  if (ReadWordIn(TByteOrder::kBig) != kJpegStartOfImage) return false;
  DataFile.Narrow(offset, length);
  return true;
}

}  // namespace camerafile
