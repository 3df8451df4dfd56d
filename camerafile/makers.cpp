// The makers as data: the signatures their notes begin with, the Make texts
// that name them, how each note's directory is placed, and the reader of
// each one's note.
#include "camerafile/makers.h"

#include <algorithm>
#include <cctype>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"

namespace camerafile {
namespace {

using namespace std::string_view_literals;

// Where a note's byte order comes from, before the entry-count rule.
enum class TOrderFrom {
  kPlace,        // the order of what holds the note
  kMarks,        // "II" or "MM" at order_at; anything else: the place's
  kInnerHeader,  // a whole TIFF header at order_at, whose first-directory
                 // offset places the directory and whose start is the base
};
// Where a note's offsets count from.
enum class TBase { kTiffBase, kNote, kInnerHeader };
// How a program that moved the note without mending its offsets shows.
enum class TMoved {
  kNever,
  kCanonFooter,      // Canon's last 8 bytes: "II" 2A 00 or "MM" 00 2A, then
                     // where the camera wrote the note
  kFirstValueAfter,  // the camera writes the first value right after the
                     // directory's next-directory offset
};

struct TLayout {
  TOrderFrom order_from;
  FileOffset order_at;
  FileOffset directory_at;  // from the note's start (kInnerHeader: from that header)
  TBase base;
  TMoved moved;
};

struct TSignature {
  std::string_view bytes;  // the note's first bytes
  TMaker maker;
  bool holds_ours;    // false: the note holds nothing this program reads
  FileOffset header;  // the bytes a note must hold to be read
  TLayout layout;
  // The Make must begin with one of these (any case); none: any Make.
  std::array<std::string_view, 2> makes{};
};

constexpr FileOffset kTiffHeaderSize = 8;  // byte order, 42, first-directory offset

// Short names for the table below.
constexpr TOrderFrom kPlaceOrder = TOrderFrom::kPlace;
constexpr TOrderFrom kMarks = TOrderFrom::kMarks;
constexpr TBase kFromTiff = TBase::kTiffBase;
constexpr TBase kFromNote = TBase::kNote;
constexpr TMoved kStays = TMoved::kNever;
constexpr std::array<std::string_view, 2> kSigmaMakes = {"SIGMA"sv, "FOVEON"sv};

// clang-format off
constexpr TSignature kSignatures[] = {
    // "Nikon" 00, version 02 10 or 02 00, 00 00, then a TIFF header of its own.
    {"Nikon\0\x02"sv, TMaker::kNikon, true, 10 + kTiffHeaderSize,
     {TOrderFrom::kInnerHeader, 10, 0, TBase::kInnerHeader, kStays}},
    // Old Coolpix notes: nothing of ours.
    {"Nikon\0\x01"sv, TMaker::kNikon, false, 0, {}},
    {"AOC\0"sv, TMaker::kPentax, true, 6, {kMarks, 4, 6, kFromTiff, TMoved::kFirstValueAfter}},
    {"PENTAX \0"sv, TMaker::kPentax, true, 10, {kMarks, 8, 10, kFromNote, kStays}},
    // The GR III and IIIx: Pentax's note behind "RICOH" 00 and the marks.
    {"RICOH\0II"sv, TMaker::kRicoh, true, 8, {kMarks, 6, 8, kFromNote, kStays}},
    {"RICOH\0MM"sv, TMaker::kRicoh, true, 8, {kMarks, 6, 8, kFromNote, kStays}},
    {"SONY DSC \0\0\0"sv, TMaker::kSony, true, 12, {kPlaceOrder, 0, 12, kFromTiff, kStays}},
    {"SONY CAM \0\0\0"sv, TMaker::kSony, true, 12, {kPlaceOrder, 0, 12, kFromTiff, kStays}},
    {"SONY MOBILE\0"sv, TMaker::kSony, true, 12, {kPlaceOrder, 0, 12, kFromTiff, kStays}},
    // Olympus: "OLYMP" 00 (Epson's the same) and two bytes; "OLYMPUS" 00,
    // the marks and two bytes; OM System's likewise, longer.
    {"OLYMP\0"sv, TMaker::kOlympus, true, 8, {kPlaceOrder, 0, 8, kFromTiff, kStays}},
    {"EPSON\0"sv, TMaker::kOlympus, true, 8, {kPlaceOrder, 0, 8, kFromTiff, kStays}},
    {"OLYMPUS\0"sv, TMaker::kOlympus, true, 12, {kMarks, 8, 12, kFromNote, kStays}},
    {"OM SYSTEM\0\0\0"sv, TMaker::kOlympus, true, 16, {kMarks, 12, 16, kFromNote, kStays}},
    // Sigma's and Foveon's notes, only in files their Make names.
    {"SIGMA\0\0\0"sv, TMaker::kSigma, true, 10, {kPlaceOrder, 0, 10, kFromTiff, kStays},
     kSigmaMakes},
    {"FOVEON\0\0"sv, TMaker::kSigma, true, 10, {kPlaceOrder, 0, 10, kFromTiff, kStays},
     kSigmaMakes},
};
// clang-format on
constexpr std::size_t kLongestSignature = 12;

// Notes without a signature: the Make names the maker. Canon's, Nikon's and
// Sony's are then a directory at the note's first byte, in the place's
// order, with offsets from the TIFF header.
constexpr TLayout kHeaderless{kPlaceOrder, 0, 0, kFromTiff, kStays};
struct TMake {
  std::string_view starts;
  bool any_case;
  TMaker maker;
  bool directory_at_start;
  std::string_view unless_note_begins;  // then it is no directory of ours
  TMoved moved;
};
constexpr TMake kMakes[] = {
    {"Canon"sv, false, TMaker::kCanon, true, ""sv, TMoved::kCanonFooter},
    {"NIKON"sv, true, TMaker::kNikon, true, ""sv, TMoved::kNever},
    // Sony Ericsson and Xperia phones write other Makes.
    {"SONY"sv, false, TMaker::kSony, true, "\x01\x00"sv, TMoved::kNever},
};
constexpr TMake kOtherMake{""sv, false, TMaker::kOther, false, ""sv, TMoved::kNever};

struct TReader {
  TMaker maker;
  TNoteReader read;
};
constexpr TReader kReaders[] = {
    {TMaker::kCanon, ReadCanonNote},   {TMaker::kNikon, ReadNikonNote},
    {TMaker::kPentax, ReadPentaxNote}, {TMaker::kRicoh, ReadPentaxNote},
    {TMaker::kSony, ReadSonyNote},     {TMaker::kOlympus, ReadOlympusNote},
    {TMaker::kSigma, ReadSigmaNote},
};

TNoteReader ReaderOf(TMaker maker) {
  for (const TReader& reader : kReaders) {
    if (reader.maker == maker) return reader.read;
  }
  return nullptr;
}

bool MakeAllows(const TSignature& signature, std::string_view make) {
  const auto& makes = signature.makes;
  if (std::all_of(makes.begin(), makes.end(), [](auto m) { return m.empty(); })) return true;
  return std::any_of(makes.begin(), makes.end(),
                     [&](auto m) { return !m.empty() && StartsWith(make, m, true); });
}

// The byte order of "II" or "MM" at a position, or nothing.
std::optional<std::int32_t> MarksAt(TCanonFile& file, FileOffset at) {
  file.DataFile.Seek(at);
  const std::int32_t marks = file.ReadWordIn(0);  // read as the bytes stand
  if (marks == kByteOrderIntel) return 1;
  if (marks == kByteOrderMotorola) return 0;
  return std::nullopt;
}

// A file that names no maker is read as ever, as Canon's.
const TMake& MakeRow(std::string_view make) {
  if (make.empty()) return kMakes[0];
  for (const TMake& row : kMakes) {
    if (StartsWith(make, row.starts, row.any_case)) return row;
  }
  return kOtherMake;
}

// How far a program moved a Canon note: its footer says where the camera
// wrote it. Not where the last value already ends at the footer (or one
// byte before it): some programs mend the offsets and not the footer.
FileOffset CanonFooterShift(TCanonFile& file, const TNoteDirectory& note, const TNotePlace& place) {
  constexpr FileOffset kFooterSize = 8;
  if (place.size < kFooterSize) return 0;
  const FileOffset footer = place.begin + place.size - kFooterSize;
  const auto marks = MarksAt(file, footer);
  if (marks != note.intel_order || file.ReadWordIn(note.intel_order) != kTiffMagic) return 0;
  const FileOffset written = file.ReadLongIn(note.intel_order);
  const FileOffset now = place.begin - place.tiff_base;
  if (written == now) return 0;
  const auto values = SurveyValues(file, note);
  if (values) {
    const FileOffset end = place.tiff_base + values->end;
    if (end == footer || end == footer - 1) return 0;
  }
  return now - written;
}

// How far a program moved a Pentax note whose offsets count from the TIFF
// header: the camera writes the first value right after the directory's
// next-directory offset.
FileOffset FirstValueShift(TCanonFile& file, const TNoteDirectory& note) {
  const auto values = SurveyValues(file, note);
  if (!values) return 0;
  file.DataFile.Seek(note.at);
  const std::int64_t entries = file.ReadWordIn(note.intel_order);
  const FileOffset first =
      note.at - note.base + 2 + static_cast<FileOffset>(kEntrySize) * entries + 4;
  return first - values->first;
}

// The directory of a note laid out as `layout` says, at `place`; nothing
// where an inner TIFF header is damaged.
std::optional<TNoteDirectory> PlaceDirectory(TCanonFile& file, const TLayout& layout,
                                             const TNotePlace& place) {
  const FileOffset begin = place.begin;
  TNoteDirectory directory{begin + layout.directory_at, place.tiff_base, place.intel_order, begin,
                           begin + place.size};
  switch (layout.order_from) {
    case TOrderFrom::kPlace:
      break;
    case TOrderFrom::kMarks:
      directory.intel_order = MarksAt(file, begin + layout.order_at).value_or(place.intel_order);
      break;
    case TOrderFrom::kInnerHeader: {
      const FileOffset inner = begin + layout.order_at;
      const auto order = MarksAt(file, inner);
      if (!order || file.ReadWordIn(*order) != kTiffMagic) return std::nullopt;
      directory.intel_order = *order;
      directory.at = inner + file.ReadLongIn(*order);
      break;
    }
  }
  switch (layout.base) {
    case TBase::kTiffBase:
      break;
    case TBase::kNote:
      directory.base = begin;
      break;
    case TBase::kInnerHeader:
      directory.base = begin + layout.order_at;
      break;
  }
  directory.intel_order = NoteOrder(file, directory.at, directory.intel_order);
  if (place.may_have_moved) {
    switch (layout.moved) {
      case TMoved::kNever:
        break;
      case TMoved::kCanonFooter:
        directory.base += CanonFooterShift(file, directory, place);
        break;
      case TMoved::kFirstValueAfter:
        directory.base += FirstValueShift(file, directory);
        break;
    }
  }
  return directory;
}

}  // namespace

bool StartsWith(std::string_view text, std::string_view start, bool any_case) {
  if (text.size() < start.size()) return false;
  return std::equal(start.begin(), start.end(), text.begin(), [any_case](char a, char b) {
    if (!any_case) return a == b;
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  });
}

TMaker MakerOf(std::string_view make) {
  return MakeRow(make).maker;
}

TMakerNote FindMakerNote(TCanonFile& file, std::string_view make, const TNotePlace& place) {
  std::array<char, kLongestSignature> first{};
  file.DataFile.Seek(place.begin);
  file.DataFile.Read(reinterpret_cast<std::uint8_t*>(first.data()), first.size());
  // Only the note's own bytes can match a signature.
  const std::string_view head(first.data(),
                              static_cast<std::size_t>(std::clamp<std::int64_t>(
                                  place.size, 0, static_cast<std::int64_t>(first.size()))));

  for (const TSignature& signature : kSignatures) {
    if (!StartsWith(head, signature.bytes, false) || !MakeAllows(signature, make)) continue;
    TMakerNote note{signature.maker, std::nullopt, ReaderOf(signature.maker)};
    if (signature.holds_ours && place.size >= signature.header) {
      note.directory = PlaceDirectory(file, signature.layout, place);
    }
    return note;
  }

  const TMake& row = MakeRow(make);
  TMakerNote note{row.maker, std::nullopt, ReaderOf(row.maker)};
  const bool excluded =
      !row.unless_note_begins.empty() && StartsWith(head, row.unless_note_begins, false);
  if (row.directory_at_start && !excluded) {
    TLayout layout = kHeaderless;
    layout.moved = row.moved;
    note.directory = PlaceDirectory(file, layout, place);
  }
  return note;
}

}  // namespace camerafile
