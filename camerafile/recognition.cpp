// Container recognition: the first bytes alone tell the container, never the
// name of the file. Order: TIFF "MM"/"II" with 42 (or the number of a maker's
// raw file that is a TIFF structure all the same), then CIFF, then JPEG, then
// Fujifilm's RAF, Minolta's MRW and Sigma's X3F, then the ISO base media
// files (CR3, HEIF).
#include <array>
#include <string_view>

#include "camerafile/canon_file.h"

namespace camerafile {
namespace {

struct TiffSignature {
  std::int32_t byte_order;
  std::int32_t intel_order;  // IntelOrder's value
  std::int32_t magic;        // the number after the marks, in their order
  std::int32_t format;
  std::int32_t kind;
};
constexpr std::int32_t kOrfMagic = 0x4F52;     // "IIRO", "MMOR"
constexpr std::int32_t kOrfMagicToo = 0x5352;  // "IIRS"
constexpr std::int32_t kRw2Magic = 0x0055;     // RW2 and RWL
// clang-format off
constexpr TiffSignature kTiffSignatures[] = {
    {kByteOrderMotorola, 0, kTiffMagic, kFormatTiffBigEndian, kKind1DMarkI},   // 1D Mark I ".tif"
    {kByteOrderIntel, 1, kTiffMagic, kFormatTiffLittleEndian, kKind1DMarkII},  // 1D Mark II ".cr2"
    {kByteOrderIntel, 1, kOrfMagic, kFormatOrf, kKindNone},
    {kByteOrderMotorola, 0, kOrfMagic, kFormatOrf, kKindNone},
    {kByteOrderIntel, 1, kOrfMagicToo, kFormatOrf, kKindNone},
    {kByteOrderIntel, 1, kRw2Magic, kFormatRw2, kKindNone},
};
// clang-format on
constexpr const char* kCiffSignature = "HEAPCCDR";
constexpr std::size_t kCiffSignatureLength = 8;
constexpr std::int32_t kJpegStartOfImage = 0xFFD8;
// Sigma's X3F is told by its first four bytes alone: what follows, however
// damaged, is read as far as it goes.
constexpr std::uint32_t kX3fSignature = 0x464F5662;  // "FOVb"

// The names files of these containers usually have; recognition goes by the
// bytes alone.
struct TFileKind {
  std::string_view extension;
  TFileGroup group;
};
constexpr TFileKind kFileKinds[] = {
    {".cr3", TFileGroup::kCameraRaw},  // ISO base media
    {".cr2", TFileGroup::kCameraRaw},  // little-endian TIFF
    {".crw", TFileGroup::kCameraRaw},  // CIFF
    {".nef", TFileGroup::kCameraRaw},  // TIFF, and the four below
    {".pef", TFileGroup::kCameraRaw},
    {".arw", TFileGroup::kCameraRaw},
    {".dng", TFileGroup::kCameraRaw},
    {".tif", TFileGroup::kCameraRaw},
    {".jpg", TFileGroup::kPicture},
    {".hif", TFileGroup::kPicture},  // ISO base media
    {".heic", TFileGroup::kPicture},
    {".orf", TFileGroup::kOtherMakersRaw},  // TIFF structures with their own number
    {".rw2", TFileGroup::kOtherMakersRaw},
    {".rwl", TFileGroup::kOtherMakersRaw},
    {".raf", TFileGroup::kOtherMakersRaw},  // a JPEG inside
    {".mrw", TFileGroup::kOtherMakersRaw},  // a TIFF structure inside
    {".x3f", TFileGroup::kOtherMakersRaw},  // properties
    {".kdc", TFileGroup::kOtherMakersRaw},  // TIFF
    {".iiq", TFileGroup::kOtherMakersRaw},  // TIFF
};

// Closes DataFile however Analyse leaves.
class CloseOnReturn {
 public:
  explicit CloseOnReturn(TDataFile& file) : file_(file) {}
  ~CloseOnReturn() { file_.Close(); }
  CloseOnReturn(const CloseOnReturn&) = delete;
  CloseOnReturn& operator=(const CloseOnReturn&) = delete;

 private:
  TDataFile& file_;
};

}  // namespace

std::vector<std::string_view> ExtensionsOf(TFileGroup group) {
  std::vector<std::string_view> extensions;
  for (const TFileKind& kind : kFileKinds) {
    if (kind.group == group) extensions.push_back(kind.extension);
  }
  return extensions;
}

void TCanonFile::Analyse() {
  if (!DataFile.Open(FileName)) return;
  const CloseOnReturn closer(DataFile);

  const auto starts_x3f = [this] {
    DataFile.Seek(0);
    return ReadLongIn(TByteOrder::kBig) == kX3fSignature;
  };

  IntelOrder = 0;
  const std::int32_t byte_order = ReadWord();
  for (const TiffSignature& tiff : kTiffSignatures) {
    if (byte_order != tiff.byte_order) continue;
    // The byte-order mark sets the order of everything after it, the 42 too.
    IntelOrder = tiff.intel_order;
    TiffBase = 0;
    DataFile.Seek(2);
    if (ReadWord() == tiff.magic) {
      Valid = true;
      Format = tiff.format;
      Kind = tiff.kind;
      break;
    }
  }
  if (Format == kFormatNone) {
    // CIFF: byte order, header length, signature. Files that start with "MM"
    // or "II" have their length at bytes 2-5, all others at bytes 0-3.
    DataFile.Seek(DataFile.Position() - 2);
    CiffHeaderLength = ReadLong();
    if (ReadChars(kCiffSignatureLength) == kCiffSignature) {
      Valid = true;
      Format = kFormatCiff;
      Kind = kKindD60;
    }
  }
  if (Format == kFormatNone) {
    DataFile.Seek(0);
    IntelOrder = 0;
    if (ReadWord() == kJpegStartOfImage) {
      Format = kFormatJpeg;
    } else if (EnterRafJpeg()) {
      Format = kFormatRaf;
    } else if (EnterMrwTiff()) {
      Format = kFormatMrw;
    } else if (starts_x3f()) {
      Format = kFormatX3f;
    } else {
      Format = RecogniseIsoMedia();
    }
    if (Format == kFormatNone) {
      Valid = false;
      return;
    }
    Valid = true;
    Kind = kKindNone;
  }

  // Each container has its own reading path.
  switch (Format) {
    case kFormatTiffBigEndian:
    case kFormatTiffLittleEndian:
    case kFormatOrf:
    case kFormatRw2:
      WalkDirectories();  // the first-directory offset follows the 42
      break;
    case kFormatCiff:
      ReadCiff();
      break;
    case kFormatJpeg:
      LocateJpegExif();  // reads on after the start-of-image marker
      break;
    case kFormatRaf:
      DataFile.Seek(2);  // the JPEG's, after its start-of-image marker
      IntelOrder = 0;
      LocateJpegExif();
      break;
    case kFormatMrw:
      WalkDirectories();  // EnterMrwTiff left the position on the first-directory offset
      break;
    case kFormatX3f:
      ReadX3f();
      break;
    case kFormatCr3:
      ReadCr3();
      break;
    case kFormatHeif:
      ReadHeif();
      break;
    default:
      break;
  }
}

}  // namespace camerafile
