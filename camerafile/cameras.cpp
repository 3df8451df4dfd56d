// The cameras whose files say how many exposures they have made, and the
// CIFF cameras whose heap the readout knows. Adding a camera is adding a row.
#include "camerafile/cameras.h"

#include <algorithm>
#include <string>

#include "camerafile/makers.h"

namespace camerafile {
namespace {

constexpr TCountPlace kWords = TCountPlace::kCounterRecord;
constexpr TCountPlace kInfo = TCountPlace::kCameraInfo;
constexpr TCountPlace kNone = TCountPlace::kNone;
constexpr std::int32_t kNo = kNoCountByte;
constexpr TCountIncludes kShutter = TCountIncludes::kShutterReleases;
constexpr TCountIncludes kElectronic = TCountIncludes::kElectronicToo;

constexpr TCameraRow kCameras[] = {
    // The 1D bodies up to the Mark II N: the 0x0093 record is the counter.
    {0x80000001, "EOS-1D", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, kShutter},
    {0x80000167, "EOS-1Ds", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, kShutter},
    {0x80000174, "EOS-1D Mark II", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, kShutter},
    {0x80000188, "EOS-1Ds Mark II", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, kShutter},
    {0x80000232, "EOS-1D Mark II N", kWords, kNo, kNo, kNo, TCiffReadout::kNothing, kShutter},
    // Mirrorless bodies: the camera-info record, electronic releases included.
    {0x80000421, "EOS R5", kInfo, 0x0AF1, 0x0AF1, 0x0AF1, TCiffReadout::kNothing, kElectronic},
    {0x80000453, "EOS R6", kInfo, 0x0AF1, 0x0AF1, 0x0AF1, TCiffReadout::kNothing, kElectronic},
    {0x80000481, "EOS R6 Mark II", kInfo, 0x0D29, 0x0D29, 0x0D29, TCiffReadout::kNothing,
     kElectronic},
    {0x80000487, "EOS R8", kInfo, 0x0D29, 0x0D29, 0x0D29, TCiffReadout::kNothing, kElectronic},
    {0x80000480, "EOS R50", kInfo, 0x0D29, 0x0D29, 0x0D29, TCiffReadout::kNothing, kElectronic},
    // Its HEIF files keep no count.
    {0x00000804, "PowerShot G5 X Mark II", kInfo, 0x0293, 0x0A95, kNo, TCiffReadout::kNothing,
     kShutter},
    // CIFF cameras. Their JPEG maker notes keep no count.
    {0x01668000, "EOS D60", kNone, kNo, kNo, kNo, TCiffReadout::kFixedOffsets, kShutter},
    {0x80000168, "EOS 10D", kNone, kNo, kNo, kNo, TCiffReadout::kFixedOffsets, kShutter},
    {0x01140000, "EOS D30", kNone, kNo, kNo, kNo, TCiffReadout::kHeapSerial, kShutter},
    {0x80000170, "EOS 300D", kNone, kNo, kNo, kNo, TCiffReadout::kHeapSerial, kShutter},
};

// Sony: the layout of the 0x9050 record follows the model name (IFD0's
// Model). The names are the patterns public references give for each
// layout, written out: "7RM3 7RM3A" is 7RM3 with an optional A.
constexpr TNameEnd kAny = TNameEnd::kAny;
constexpr TNameEnd kWord = TNameEnd::kWord;

// The A-mount DSLRs up to 2009 keep their count in tag 0x0020's block of
// camera settings, the next ones and the first SLT and NEX bodies in the
// block 0x0201 of tag 0x0020's index; the names are compared whole.
constexpr TNameEnd kWhole = TNameEnd::kWhole;
constexpr TModelNames kCameraSettings[] = {{"DSLR-A", "230 290 330 380 390 850 900", kWhole}};
constexpr TModelNames kIndexAt014A[] = {{"DSLR-A", "450 500 550", kWhole}};
constexpr TModelNames kIndexAt0125[] = {
    {"DSLR-A", "560 580", kWhole},
    {"SLT-A", "33 35 55 55V", kWhole},
    {"NEX-", "3 5 C3 VG10E", kWhole},
};
// Other A-mount DSLR bodies (the A200, A300, A350 and A700 among them)
// keep none.
constexpr TModelNames kDslr[] = {{"DSLR-", "", kAny}};
// Its counter wraps at 65,536.
constexpr TModelNames kIlce7R[] = {{"ILCE-7R", "", kWhole}};
// Layout a is every model but these (SLT-A, ILCA-68/77M2, NEX, ILCE-7/7S,
// 5000, 6000 and the like).
constexpr TModelNames kNotLayoutA[] = {
    {"DSC-", "", kAny},
    {"Stellar", "", kAny},
    {"ILCE-",
     "1 6100 6300 6400 6500 6600 6700 7C 7M3 7M4 7M5 7RM2 7RM3 7RM3A 7RM4 7RM4A 7RM5 7SM2 7SM3 9 "
     "9M2",
     kAny},
    {"ILCA-", "99M2", kAny},
    {"ILME-", "FX2 FX3", kAny},
    {"ZV-", "", kAny},
};
constexpr TModelNames kLayoutB[] = {
    {"ILCE-", "6100 6100A 6300 6400 6400A 6500 6600 7C 7M3 7RM2 7RM3 7RM3A 7RM4 7RM4A 7SM2 9 9M2",
     kWord},
    {"ILCA-", "99M2", kWord},
    {"ZV-", "E10", kWord},
};
constexpr TModelNames kLayoutC[] = {
    {"ILCE-", "1", kWord},
    {"ILCE-", "7M4 7RM5 7SM3", kAny},
    {"ILME-", "FX3", kAny},
};
constexpr TModelNames kLayoutDMechanical[] = {
    {"ILCE-", "6700 7CM2 7CR", kWord},
    {"ILME-", "FX2", kWord},
};
constexpr TModelNames kLayoutDNone[] = {{"ZV-", "E1 E10M2", kWord}};
// Their files come in layout d and in c; d's begins with five zero bytes.
constexpr TModelNames kLayoutDWhenLed[] = {{"ILCE-", "1M2 7M5", kAny}};

template <std::size_t N>
constexpr TSonyRow Row(const char* layout, const TModelNames (&names)[N], bool all_but,
                       bool zero_lead, std::int32_t count_byte, TCountIncludes includes,
                       TSonyPlace place = TSonyPlace::kCipheredRecord) {
  return {layout, names, N, all_but, zero_lead, place, count_byte, includes};
}

constexpr TCountIncludes kEvery = TCountIncludes::kEveryPicture;
constexpr TCountIncludes kMechanical = TCountIncludes::kMechanicalOnly;

// Checked in this order; the first row that matches wins.
constexpr TSonyRow kSonyRows[] = {
    Row("0x0020", kCameraSettings, false, false, 0x0846, kEvery, TSonyPlace::kCameraSettings),
    Row("0x0020", kIndexAt014A, false, false, 0x014A, kEvery, TSonyPlace::kIndexedBlock),
    Row("0x0020", kIndexAt0125, false, false, 0x0125, kEvery, TSonyPlace::kIndexedBlock),
    Row("-", kDslr, false, false, kNo, kEvery),
    Row("a", kIlce7R, false, false, kNo, kEvery),
    Row("a", kNotLayoutA, true, false, 0x32, kEvery),
    Row("b", kLayoutB, false, false, 0x3A, kEvery),
    Row("c", kLayoutC, false, false, 0x3A, kEvery),
    Row("d", kLayoutDMechanical, false, false, 0x0A, kMechanical),
    Row("d", kLayoutDNone, false, false, kNo, kMechanical),
    Row("d", kLayoutDWhenLed, false, true, 0x0A, kMechanical),
};

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool Matches(const TModelNames& names, std::string_view model) {
  const std::string_view stem = names.stem;
  if (!StartsWith(model, stem)) return false;
  model.remove_prefix(stem.size());
  std::string_view tails = names.tails;
  for (;;) {
    const std::size_t blank = std::min(tails.find(' '), tails.size());
    const std::string_view tail(tails.data(), blank);
    if (StartsWith(model, tail)) {
      const std::string_view after(model.data() + tail.size(), model.size() - tail.size());
      switch (names.end) {
        case TNameEnd::kAny:
          return true;
        case TNameEnd::kWord:
          if (after.empty() || !IsWordByte(after.front())) return true;
          break;
        case TNameEnd::kWhole:
          if (after.empty()) return true;
          break;
      }
    }
    if (blank == tails.size()) return false;
    tails.remove_prefix(blank + 1);
  }
}

}  // namespace

const TCameraRow* FindCamera(std::uint32_t model_id) {
  for (const TCameraRow& row : kCameras) {
    if (row.model_id == model_id) return &row;
  }
  return nullptr;
}

const TSonyRow* FindSonyRow(std::string_view model, bool zero_lead) {
  while (!model.empty() && model.back() == ' ') model.remove_suffix(1);
  for (const TSonyRow& row : kSonyRows) {
    if (row.zero_lead && !zero_lead) continue;
    bool named = false;
    for (std::size_t i = 0; i < row.name_count && !named; ++i) named = Matches(row.names[i], model);
    if (named != row.all_but) return &row;
  }
  return nullptr;
}

}  // namespace camerafile
