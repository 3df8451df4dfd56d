// CIFF raw files. The heap is looked into only for the camera's model ID
// (and, for the D30 and 300D, the serial number); the D60 and 10D, and
// files that name no camera, keep their serial number and exposure count at
// fixed distances from an anchor taken from the end of the file.
//
// A heap ends with the 32-bit offset, from the heap's start, of its
// directory: a 16-bit record count, then 10-byte records (16-bit tag,
// 32-bit size, 32-bit offset from the heap's start).
#include <algorithm>
#include <initializer_list>

#include "camerafile/cameras.h"
#include "camerafile/canon_file.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

constexpr FileOffset kTrailerDistance = 8;  // from the end of the file
constexpr FileOffset kSerialNumberDistance = 0x236;
constexpr FileOffset kShutterCountDistance = 0x296;

constexpr FileOffset kRecordSize = 10;
constexpr std::int32_t kDataInRecordMask = 0xC000;
constexpr std::int32_t kDataInRecord = 0x4000;  // at most 8 bytes, in the size and offset fields
constexpr std::int32_t kStorageMask = 0x3800;
constexpr std::int32_t kSubHeap = 0x2800;
constexpr std::int32_t kSubHeapToo = 0x3000;
constexpr std::int32_t kRecordNumberMask = 0x3FFF;

// Record numbers (tag & 0x3FFF) and the sub-heaps that hold them.
constexpr std::int32_t kImageProps = 0x300A;
constexpr std::int32_t kExifInformation = 0x300B;
constexpr std::int32_t kImageInfo = 0x2807;
constexpr std::int32_t kCameraSpecification = 0x3004;
constexpr std::int32_t kRecordModelId = 0x1834;
constexpr std::int32_t kRecordSerialNumber = 0x180B;  // EOS cameras; other data on PowerShots

struct THeap {
  FileOffset start;
  FileOffset end;
};

// The position of the first four data bytes of record `number` in the heap
// that `path` leads to from `heap`, through one sub-heap per step; nothing
// when a heap, its directory or the record's data do not lie inside the
// heap that holds them.
std::optional<FileOffset> FindCiffRecord(TCanonFile& file, THeap heap,
                                         std::initializer_list<std::int32_t> path,
                                         std::int32_t number) {
  auto step = path.begin();
  for (std::int32_t depth = 0; depth <= CiffLimits::kDepth; ++depth) {
    const FileOffset length = heap.end - heap.start;
    if (length < 4) return std::nullopt;
    const std::int64_t directory_offset = file.ReadLongAt(heap.end - 4);
    if (directory_offset > length - 4 - 2) return std::nullopt;
    const FileOffset directory = heap.start + directory_offset;
    file.DataFile.Seek(directory);
    const FileOffset fit = (heap.end - 4 - directory - 2) / kRecordSize;
    const FileOffset records =
        std::min<FileOffset>({file.ReadWord(), fit, FileOffset{CiffLimits::kRecordsPerHeap}});
    const bool last = step == path.end();
    const std::int32_t wanted = last ? number : *step;

    std::optional<THeap> next;
    for (FileOffset r = 0; r < records && !next; ++r) {
      const FileOffset at = directory + 2 + r * kRecordSize;
      file.DataFile.Seek(at);
      const std::int32_t tag = file.ReadWord();
      const std::int64_t size = file.ReadLong();
      const std::int64_t offset = file.ReadLong();
      if ((tag & kRecordNumberMask) != wanted) continue;
      const bool in_record = (tag & kDataInRecordMask) == kDataInRecord;
      if (last && in_record) return at + 2;
      if (in_record) continue;
      // The data must lie inside the heap that holds the record.
      if (offset > length || size > length - offset) continue;
      if (last) {
        if (size < 4) continue;
        return heap.start + offset;
      }
      const std::int32_t storage = tag & kStorageMask;
      if (storage == kSubHeap || storage == kSubHeapToo) {
        next = THeap{heap.start + offset, heap.start + offset + size};
      }
    }
    if (!next) return std::nullopt;
    heap = *next;
    ++step;
  }
  return std::nullopt;
}

}  // namespace

void TCanonFile::ReadCiff() {
  const THeap root{CiffHeaderLength, DataFile.Size()};
  const auto model_id =
      FindCiffRecord(*this, root, {kImageProps, kExifInformation}, kRecordModelId);
  Camera = model_id ? FindCamera(static_cast<std::uint32_t>(ReadLongAt(*model_id))) : nullptr;
  const TCiffReadout readout = !model_id           ? TCiffReadout::kFixedOffsets
                               : Camera != nullptr ? Camera->ciff
                                                   : TCiffReadout::kNothing;
  if (readout == TCiffReadout::kHeapSerial) {
    const auto serial = FindCiffRecord(*this, root, {kImageProps, kImageInfo, kCameraSpecification},
                                       kRecordSerialNumber);
    if (serial) SerialNumber = WrapToInt32(static_cast<std::uint64_t>(ReadLongAt(*serial)));
  }
  if (readout != TCiffReadout::kFixedOffsets) return;

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
