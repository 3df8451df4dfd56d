// The cameras whose files say how many exposures they have made, and the
// CIFF cameras whose heap the readout knows. Adding a camera is adding a row.
#include "camerafile/cameras.h"

namespace camerafile {
namespace {

constexpr TCountPlace kWords = TCountPlace::kCounterRecord;
constexpr TCountPlace kInfo = TCountPlace::kCameraInfo;
constexpr TCountPlace kNone = TCountPlace::kNone;
constexpr std::int32_t kNo = kNoCountByte;

constexpr TCameraRow kCameras[] = {
    // The 1D bodies up to the Mark II N: the 0x0093 record is the counter.
    {0x80000001, "EOS-1D", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, false},
    {0x80000167, "EOS-1Ds", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, false},
    {0x80000174, "EOS-1D Mark II", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, false},
    {0x80000188, "EOS-1Ds Mark II", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, false},
    {0x80000232, "EOS-1D Mark II N", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, false},
    // Mirrorless bodies: the camera-info record, electronic releases included.
    {0x80000421, "EOS R5", kInfo, 0x0AF1, 0x0AF1, 0x0AF1, TCiffReadout::kNothing, true},
    {0x80000453, "EOS R6", kInfo, 0x0AF1, 0x0AF1, 0x0AF1, TCiffReadout::kNothing, true},
    {0x80000481, "EOS R6 Mark II", kInfo, 0x0D29, 0x0D29, 0x0D29, TCiffReadout::kNothing, true},
    {0x80000487, "EOS R8", kInfo, 0x0D29, 0x0D29, 0x0D29, TCiffReadout::kNothing, true},
    {0x80000480, "EOS R50", kInfo, 0x0D29, 0x0D29, 0x0D29, TCiffReadout::kNothing, true},
    // Its HEIF files keep no count.
    {0x00000804, "PowerShot G5 X Mark II", kInfo, 0x0293, 0x0A95, kNo, TCiffReadout::kNothing,
     false},
    // CIFF cameras. Their JPEG maker notes keep no count.
    {0x01668000, "EOS D60", kNone, kNo, kNo, kNo, TCiffReadout::kFixedOffsets, false},
    {0x80000168, "EOS 10D", kNone, kNo, kNo, kNo, TCiffReadout::kFixedOffsets, false},
    {0x01140000, "EOS D30", kNone, kNo, kNo, kNo, TCiffReadout::kHeapSerial, false},
    {0x80000170, "EOS 300D", kNone, kNo, kNo, kNo, TCiffReadout::kHeapSerial, false},
};

}  // namespace

const TCameraRow* FindCamera(std::uint32_t model_id) {
  for (const TCameraRow& row : kCameras) {
    if (row.model_id == model_id) return &row;
  }
  return nullptr;
}

}  // namespace camerafile
