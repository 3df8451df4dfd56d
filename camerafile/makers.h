// Who wrote the file decides how its maker note is read. Each maker writes
// its note its own way: a signature, or none; a header that sets the byte
// order, or none; offsets that count from the TIFF header, from the note or
// from a TIFF header of the note's own. Each place a note lives (the Exif
// directory, a DNG's private data, a CR3 box) makes one TNoteDirectory that
// answers those questions; each maker's reader then reads an ordinary
// directory. A note of a maker not in the table is not read at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "camerafile/cameras.h"
#include "camerafile/data_file.h"

namespace camerafile {

class TCanonFile;

// Whose rules the maker note is read by. A file that names no maker is
// read as Canon's.
enum class TMaker : std::int32_t {
  kCanon,
  kNikon,
  kPentax,
  kRicoh,  // the GR III: Pentax's note behind a header of its own
  kSony,
  kOlympus,  // and OM System
  kSigma,
  kOther,
};

// Value bytes that stand in a directory entry itself.
constexpr std::int64_t kInEntry = 4;

// An ASCII value as its entry gives it: four bytes or fewer stand in the
// entry itself, longer ones at an offset. Read to at most its count and 255
// bytes, ending at the first zero byte (TCanonFile::ReadText).
struct TTextValue {
  std::int64_t count = 0;
  FileOffset offset = 0;                // absolute, where count > 4
  std::array<std::uint8_t, 4> bytes{};  // the entry's value field, where count <= 4
};

// A value at an absolute offset, read in its own byte order.
struct TOrderedAt {
  FileOffset offset;
  std::int32_t intel_order;
};
// A record of `size` bytes at an absolute offset, likewise.
struct TRecord {
  FileOffset offset;
  std::int64_t size;
  std::int32_t intel_order;
};

// Canon's tags. The model, firmware, owner, serial and counter words count
// wherever they stand, in the main and Exif directories too; the model ID
// and the camera-info record only in the maker note.
struct TCanonTags {
  std::optional<FileOffset> model, firmware, owner;  // tags 6, 7, 9
  std::optional<std::uint32_t> serial_number;        // tag 0x000C
  std::optional<TOrderedAt> counter_words;           // tag 0x0093
  std::optional<TRecord> camera_info;                // tag 0x000D
  std::optional<std::uint32_t> model_id;             // tag 0x0010
};
// What `later` holds replaces what `earlier` held.
void OverlayCanonTags(TCanonTags& earlier, const TCanonTags& later);

// What a maker note gives.
struct TMakerValues {
  std::string serial;                 // a serial text that passed SerialTextOf; empty: none
  std::int32_t count = 0;             // 0: none
  std::int32_t mechanical_count = 0;  // Nikon: mechanical releases of the count; 0: none
  TCountIncludes includes = TCountIncludes::kShutterReleases;
  TCanonTags canon;  // Canon's note
};

// A maker note's directory, placed by the note's header and its place in
// the file, its byte order decided once.
struct TNoteDirectory {
  FileOffset at;             // absolute position of its entry count
  FileOffset base;           // the note's offsets count from here
  std::int32_t intel_order;  // 1: little-endian
  FileOffset note_begin;     // the note's own bytes: [note_begin, note_end)
  FileOffset note_end;
};

// Reads a maker's note; entries_left is what the analysis may still look
// at, and goes down by what the note's directories took. `model` is IFD0's
// Model, cut at its first zero byte.
using TNoteReader = TMakerValues (*)(TCanonFile& file, const TNoteDirectory& note,
                                     std::string_view model, std::int32_t& entries_left);

// The maker note as its maker writes it.
struct TMakerNote {
  TMaker maker = TMaker::kCanon;
  std::optional<TNoteDirectory> directory;  // none: nothing of ours is read from the note
  TNoteReader read = nullptr;
};

// Where a maker note lives and what its offsets "from the TIFF header"
// count from there.
struct TNotePlace {
  FileOffset begin;          // the note's first byte
  std::int64_t size;         // its bytes
  std::int32_t intel_order;  // the order of what holds it, unless the note says otherwise
  FileOffset tiff_base;      // where offsets from the TIFF header count from
  // The Exif directory's note: a program that saved the file again may have
  // moved it without mending its offsets (Canon's footer and Pentax's first
  // value say). Not a DNG's copy, whose place says where it stood.
  bool may_have_moved;
};

// Whether text begins with start, in any case of letters if asked. Not
// substr, whose out-of-range exception would bring exception support into
// the web page's reader.
bool StartsWith(std::string_view text, std::string_view start, bool any_case = false);

// The maker a file's Make names, for a file without a maker note.
TMaker MakerOf(std::string_view make);
// The note at `place` of a file whose main directories name `make`: its
// signature, else the Make, decides.
TMakerNote FindMakerNote(TCanonFile& file, std::string_view make, const TNotePlace& place);
// The note in IFD0's DNGPrivateData (`size` bytes at `at`), if it holds one
// (dng_private.cpp).
std::optional<TMakerNote> FindDngNote(TCanonFile& file, std::string_view make, FileOffset at,
                                      std::int64_t size);

// The byte order of a note's directory at `at`: `intel_order`, or the other
// where the entry count reads 0 or more than 512 in it and 1 to 512 in the
// other (files written back without the note's byte-order mark).
std::int32_t NoteOrder(TCanonFile& file, FileOffset at, std::int32_t intel_order);

// The offsets of a directory's values that do not fit in their entries, as
// stored: the smallest, and the largest end (offset + size).
struct TValueSpan {
  std::int64_t first;
  std::int64_t end;
};
std::optional<TValueSpan> SurveyValues(TCanonFile& file, const TNoteDirectory& note);

// A tag a maker note is read for: the types (TypeBits) and value counts
// that make it one.
struct TTagRule {
  std::uint16_t tag;
  std::uint16_t types;
  std::uint32_t min_count;
  std::uint32_t max_count;
};
constexpr std::uint32_t kAnyCount = 0xFFFFFFFFu;
constexpr std::uint16_t kAnyType = 0xFFFF;
constexpr std::uint16_t TypeBit(std::int32_t type) {
  return static_cast<std::uint16_t>(1u << type);
}
template <typename... Types>
constexpr std::uint16_t TypeBits(Types... types) {
  return static_cast<std::uint16_t>((TypeBit(types) | ...));
}

// One entry of a note's directory, numbers in the directory's byte order.
struct TNoteEntry {
  std::int32_t type;
  std::uint32_t count;
  std::uint32_t value;                // the value, or its offset from the note's base
  std::array<std::uint8_t, 4> bytes;  // the value field as stored
};
// Notes the entry under every rule it meets (a later one replaces an
// earlier).
void MatchEntry(std::int32_t tag, const TNoteEntry& entry, const TTagRule* rules,
                std::size_t rule_count, std::optional<TNoteEntry>* found);

// The last entry of each rule's tag, of its types and counts, in the
// directory; a directory that does not lie inside the note and the file
// gives none.
void FindNoteEntries(TCanonFile& file, const TNoteDirectory& note, const TTagRule* rules,
                     std::size_t rule_count, std::optional<TNoteEntry>* found,
                     std::int32_t& entries_left);
template <std::size_t N>
std::array<std::optional<TNoteEntry>, N> FindNoteEntries(TCanonFile& file,
                                                         const TNoteDirectory& note,
                                                         const TTagRule (&rules)[N],
                                                         std::int32_t& entries_left) {
  std::array<std::optional<TNoteEntry>, N> found;
  FindNoteEntries(file, note, rules, N, found.data(), entries_left);
  return found;
}

// An ASCII entry of a note as a text (TTextValue's rules), its offset from
// the note's base.
std::string NoteText(TCanonFile& file, const TNoteDirectory& note, const TNoteEntry& entry);

// A serial text as the line shows it: line ends (and, where asked, blanks)
// at its end dropped; empty where it then holds a control byte or nothing
// but blanks, which no camera writes as a serial number.
std::string SerialTextOf(std::string text, bool drop_trailing_blanks = false);

// Canon's tags as data, for its note and for the walk, which takes those
// that count wherever they stand (canon_note.cpp).
extern const TTagRule kCanonTags[7];
constexpr std::size_t kCanonTagCount = 7;
// The tags found, their offsets from `base`, into `tags`.
void TakeCanonTags(const std::optional<TNoteEntry>* found, FileOffset base,
                   std::int32_t intel_order, bool in_note, TCanonTags& tags);

// Each maker's note (canon_note.cpp, nikon_note.cpp, pentax_note.cpp,
// sony_note.cpp, olympus_note.cpp, sigma_note.cpp).
TMakerValues ReadCanonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                           std::int32_t& entries_left);
TMakerValues ReadNikonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                           std::int32_t& entries_left);
TMakerValues ReadPentaxNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                            std::int32_t& entries_left);
TMakerValues ReadSonyNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                          std::int32_t& entries_left);
TMakerValues ReadOlympusNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                             std::int32_t& entries_left);
TMakerValues ReadSigmaNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                           std::int32_t& entries_left);
// The byte a stored byte of Sony's enciphered records stands for.
std::uint8_t DecipherSonyByte(std::uint8_t stored);

}  // namespace camerafile
