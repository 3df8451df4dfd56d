// The makers as data: the signatures their notes begin with, the Make texts
// that name them, and the reader of each one's note.
#include "camerafile/makers.h"

#include <algorithm>
#include <cctype>

#include "camerafile/canon_file.h"

namespace camerafile {
namespace {

using namespace std::string_view_literals;

// Where a note's byte order comes from.
enum class TOrderFrom {
  kFile,         // the file's
  kMarks,        // "II" or "MM" at order_at; anything else: the file's
  kInnerHeader,  // a whole TIFF header at order_at, whose first-directory
                 // offset places the directory and whose start is the base
};
// Where a note's offsets count from.
enum class TBase { kTiffBase, kNote, kInnerHeader };

struct TSignature {
  std::string_view bytes;  // the note's first bytes
  TMaker maker;
  bool holds_ours;    // false: the note holds nothing this program reads
  FileOffset header;  // the bytes a note must hold to be read
  TOrderFrom order_from;
  FileOffset order_at;
  FileOffset directory_at;  // from the note's start (kInnerHeader: from that header)
  TBase base;
};

constexpr FileOffset kTiffHeaderSize = 8;  // byte order, 42, first-directory offset

constexpr TSignature kSignatures[] = {
    // "Nikon" 00, version 02 10 or 02 00, 00 00, then a TIFF header of its own.
    {"Nikon\0\x02"sv, TMaker::kNikon, true, 10 + kTiffHeaderSize, TOrderFrom::kInnerHeader, 10, 0,
     TBase::kInnerHeader},
    // Old Coolpix notes: nothing of ours.
    {"Nikon\0\x01"sv, TMaker::kNikon, false, 0, TOrderFrom::kFile, 0, 0, TBase::kTiffBase},
    {"AOC\0"sv, TMaker::kPentax, true, 6, TOrderFrom::kMarks, 4, 6, TBase::kTiffBase},
    {"PENTAX \0"sv, TMaker::kPentax, true, 10, TOrderFrom::kMarks, 8, 10, TBase::kNote},
    {"SONY DSC \0\0\0"sv, TMaker::kSony, true, 12, TOrderFrom::kFile, 0, 12, TBase::kTiffBase},
    {"SONY CAM \0\0\0"sv, TMaker::kSony, true, 12, TOrderFrom::kFile, 0, 12, TBase::kTiffBase},
    {"SONY MOBILE\0"sv, TMaker::kSony, true, 12, TOrderFrom::kFile, 0, 12, TBase::kTiffBase},
};
constexpr std::size_t kLongestSignature = 12;

// Notes without a signature: the Make names the maker. Nikon's and Sony's
// are then a directory at the note's first byte, in the file's order, with
// offsets from the TIFF header; Canon's is read by the walk.
struct TMake {
  std::string_view starts;
  bool any_case;
  TMaker maker;
  bool directory_at_start;
  std::string_view unless_note_begins;  // then it is no directory of ours
};
constexpr TMake kMakes[] = {
    {"Canon"sv, false, TMaker::kCanon, false, ""sv},
    {"NIKON"sv, true, TMaker::kNikon, true, ""sv},
    // Sony Ericsson and Xperia phones write other Makes.
    {"SONY"sv, false, TMaker::kSony, true, "\x01\x00"sv},
};
constexpr TMake kOtherMake{""sv, false, TMaker::kOther, false, ""sv};

struct TReader {
  TMaker maker;
  TNoteReader read;
};
constexpr TReader kReaders[] = {
    {TMaker::kNikon, ReadNikonNote},
    {TMaker::kPentax, ReadPentaxNote},
    {TMaker::kSony, ReadSonyNote},
};

TNoteReader ReaderOf(TMaker maker) {
  for (const TReader& reader : kReaders) {
    if (reader.maker == maker) return reader.read;
  }
  return nullptr;
}

bool StartsWith(std::string_view text, std::string_view start, bool any_case) {
  if (text.size() < start.size()) return false;
  return std::equal(start.begin(), start.end(), text.begin(), [any_case](char a, char b) {
    if (!any_case) return a == b;
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  });
}

// The byte order of "II" or "MM" at a position, or nothing.
std::optional<std::int32_t> MarksAt(TCanonFile& file, FileOffset at) {
  file.DataFile.Seek(at);
  const std::int32_t marks = file.ReadWordIn(0);  // read as the bytes stand
  if (marks == kByteOrderIntel) return 1;
  if (marks == kByteOrderMotorola) return 0;
  return std::nullopt;
}

}  // namespace

namespace {

// A file that names no maker is read as ever, as Canon's.
const TMake& MakeRow(std::string_view make) {
  if (make.empty()) return kMakes[0];
  for (const TMake& row : kMakes) {
    if (StartsWith(make, row.starts, row.any_case)) return row;
  }
  return kOtherMake;
}

}  // namespace

TMaker MakerOf(std::string_view make) {
  return MakeRow(make).maker;
}

TMakerNote FindMakerNote(TCanonFile& file, std::string_view make, FileOffset begin,
                         std::int64_t size) {
  std::array<char, kLongestSignature> first{};
  file.DataFile.Seek(begin);
  file.DataFile.Read(reinterpret_cast<std::uint8_t*>(first.data()), first.size());
  // Only the note's own bytes can match a signature.
  const std::string_view head(first.data(), static_cast<std::size_t>(std::clamp<std::int64_t>(
                                                size, 0, static_cast<std::int64_t>(first.size()))));
  const FileOffset end = begin + size;

  for (const TSignature& signature : kSignatures) {
    if (!StartsWith(head, signature.bytes, false)) continue;
    TMakerNote note{signature.maker, std::nullopt, ReaderOf(signature.maker)};
    if (!signature.holds_ours || size < signature.header) return note;
    TNoteDirectory directory{begin + signature.directory_at, begin, file.IntelOrder, begin, end};
    if (signature.order_from == TOrderFrom::kMarks) {
      directory.intel_order = MarksAt(file, begin + signature.order_at).value_or(file.IntelOrder);
    } else if (signature.order_from == TOrderFrom::kInnerHeader) {
      const FileOffset inner = begin + signature.order_at;
      const auto order = MarksAt(file, inner);
      if (!order || file.ReadWordIn(*order) != kTiffMagic) return note;
      directory.intel_order = *order;
      directory.at = inner + file.ReadLongIn(*order);
    }
    directory.base = signature.base == TBase::kTiffBase ? file.TiffBase
                     : signature.base == TBase::kNote   ? begin
                                                        : begin + signature.order_at;
    note.directory = directory;
    return note;
  }

  const TMake& row = MakeRow(make);
  TMakerNote note{row.maker, std::nullopt, ReaderOf(row.maker)};
  const bool excluded =
      !row.unless_note_begins.empty() && StartsWith(head, row.unless_note_begins, false);
  if (row.directory_at_start && !excluded) {
    note.directory = TNoteDirectory{begin, file.TiffBase, file.IntelOrder, begin, end};
  }
  return note;
}

}  // namespace camerafile
