// Who wrote the file decides how its maker note is read. Each maker writes
// its note its own way: a signature, or none; a header that sets the byte
// order, or none; offsets that count from the TIFF header, from the note or
// from a TIFF header of the note's own. One table (makers.cpp) holds a row
// per maker with all of that; every place a note lives (the Exif directory,
// a DNG's private data, a CR3 box) hands a TNotePlace to FindMakerNote,
// which makes the one TNoteDirectory that answers those questions, and each
// maker's reader then reads an ordinary directory. A note of a maker not in
// the table is not read at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camerafile/byte_order.h"
#include "camerafile/cameras.h"
#include "camerafile/data_file.h"

namespace camerafile {

class TCanonFile;

// A maker the program knows: a row of the maker table (makers.cpp).
struct TMaker;

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
  TByteOrder order;
};
// A record of `size` bytes at an absolute offset, likewise.
struct TRecord {
  FileOffset offset;
  std::int64_t size;
  TByteOrder order;
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
  FileOffset at;          // absolute position of its entry count
  FileOffset base;        // the note's offsets count from here
  TByteOrder order;       // of its numbers and of the values they point to
  FileOffset note_begin;  // the note's own bytes: [note_begin, note_end)
  FileOffset note_end;
  // The TIFF structure that holds the note, [structure_begin,
  // structure_end): where a maker's directories below the note may lie
  // (cameras declare a note shorter than what its entries use). The note's
  // own bytes where the note came without its structure (a DNG's copy).
  FileOffset structure_begin;
  FileOffset structure_end;

  // Whether `size` bytes at `begin` lie inside the note and the file.
  bool Holds(const TDataFile& file, FileOffset begin, std::int64_t size) const;
};

// Whether `size` bytes at `begin` lie inside [outer_begin, outer_end),
// compared without forming a sum that could overflow.
constexpr bool FitsInside(FileOffset begin, std::int64_t size, FileOffset outer_begin,
                          FileOffset outer_end) {
  return size >= 0 && begin >= outer_begin && begin <= outer_end && size <= outer_end - begin;
}

// Where a maker's note keeps the body's serial text: in the note's own
// directory, or in the directory an entry of the note points to, one level
// down. A maker's paths are tried in turn; the first that gives a serial
// text counts.
constexpr std::uint16_t kInNote = 0;
struct TSerialPath {
  std::uint16_t below = kInNote;  // the tag of the entry that points to the directory
  std::uint16_t text = 0;         // the tag of the serial text; 0: no path
};
struct TSerialPaths {
  std::array<TSerialPath, 4> paths{};
  bool blanks_pad = false;  // trailing blanks are padding, not the serial's
  // The directory below may lie anywhere in the TIFF structure, not only
  // in the note's own bytes.
  bool below_past_note = false;
};

// The serial text the first of the paths gives; empty where none does.
std::string SerialAlongPaths(TCanonFile& file, const TNoteDirectory& note,
                             const TSerialPaths& paths, std::int32_t& entries_left);

// Reads a maker's note; entries_left is what the analysis may still look
// at, and goes down by what the note's directories took. `model` is IFD0's
// Model, cut at its first zero byte.
using TNoteReader = TMakerValues (*)(TCanonFile& file, const TNoteDirectory& note,
                                     std::string_view model, std::int32_t& entries_left);

// What holds a maker note, which decides the forms it may take.
enum class TNoteHolder : std::uint8_t {
  kExif,        // the Exif directory's maker-note entry
  kDngRecord,   // Adobe's "MakN" record of a DNG's private data: the raw file's note
  kDngPrivate,  // a DNG's private data itself, as a camera writes it
  kCr3Box,      // a CR3's CMT3 box
};

// Where a maker note lives and what its offsets "from the TIFF header"
// count from there.
struct TNotePlace {
  TNoteHolder holder;
  FileOffset begin;      // the note's first byte
  std::int64_t size;     // its bytes
  TByteOrder order;      // the order of what holds it, unless the note says otherwise
  FileOffset tiff_base;  // where offsets from the TIFF header count from
};

// A maker note found: whose it is, and its directory where it holds one of
// ours.
struct TMakerNote {
  const TMaker* maker = nullptr;  // nullptr: a maker the table does not know
  std::optional<TNoteDirectory> directory;
};

// Whether text begins with start, in any case of letters if asked. Not
// substr, whose out-of-range exception would bring exception support into
// the web page's reader.
bool StartsWith(std::string_view text, std::string_view start, bool any_case = false);

// What a maker's notes give.
enum class TNoteGives : std::uint8_t {
  kNothing,  // known and placed, read for nothing
  kSerial,   // the body's serial number
  kCount,    // the exposure count, and the serial number where the body writes one
};
// The names the cameras of the makers whose notes give this are sold
// under, in the table's order, for the lists of what is read.
std::vector<std::string_view> BrandsWhoseNotesGive(TNoteGives gives);

// The maker a file's Make names; a file that names none is read as Canon's.
const TMaker* MakerOf(std::string_view make);
// The maker's name ("Canon", "Nikon", ...); empty for nullptr.
std::string_view MakerName(const TMaker* maker);
// Whether a maker's files are read as Canon's: its tags count wherever they
// stand and give the five results.
bool ReadsAsCanon(const TMaker* maker);
// The note at `place` of a file whose main directories name `make`: its
// signature, else the Make, decides whose it is; that maker's form of note
// for the place says where its directory is.
TMakerNote FindMakerNote(TCanonFile& file, std::string_view make, const TNotePlace& place);
// What a note gives, read by its maker's rules.
TMakerValues ReadMakerValues(TCanonFile& file, const TMakerNote& note, std::string_view model,
                             std::int32_t& entries_left);
// The note in IFD0's DNGPrivateData (`size` bytes at `at`), if it holds one
// (dng_private.cpp).
std::optional<TMakerNote> FindDngNote(TCanonFile& file, std::string_view make, FileOffset at,
                                      std::int64_t size);

// The byte order of a note's directory at `at`: `order`, or the other where
// the entry count reads 0 or more than 512 in it and 1 to 512 in the other
// (files written back without the note's byte-order mark).
TByteOrder NoteOrder(TCanonFile& file, FileOffset at, TByteOrder order);

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

// An entry a tag rule took, kept: numbers in its directory's byte order.
struct TFoundEntry {
  std::int32_t type;
  std::uint32_t count;
  std::uint32_t value;                // the value, or its offset from the note's base
  std::array<std::uint8_t, 4> bytes;  // the value field as stored
};
// Notes the entry under every rule it meets (a later one replaces an
// earlier).
void MatchEntry(std::int32_t tag, const TFoundEntry& entry, const TTagRule* rules,
                std::size_t rule_count, std::optional<TFoundEntry>* found);

// The last entry of each rule's tag, of its types and counts, in the
// directory; a directory that does not lie inside the note and the file
// gives none.
void FindNoteEntries(TCanonFile& file, const TNoteDirectory& note, const TTagRule* rules,
                     std::size_t rule_count, std::optional<TFoundEntry>* found,
                     std::int32_t& entries_left);
template <std::size_t N>
std::array<std::optional<TFoundEntry>, N> FindNoteEntries(TCanonFile& file,
                                                          const TNoteDirectory& note,
                                                          const TTagRule (&rules)[N],
                                                          std::int32_t& entries_left) {
  std::array<std::optional<TFoundEntry>, N> found;
  FindNoteEntries(file, note, rules, N, found.data(), entries_left);
  return found;
}

// An ASCII entry of a note as a text (TTextValue's rules), its offset from
// the note's base.
std::string NoteText(TCanonFile& file, const TNoteDirectory& note, const TFoundEntry& entry);

// A serial text as the line shows it: line ends (and, where asked, blanks)
// at its end dropped; empty where it then holds a control byte or nothing
// but blanks, which no camera writes as a serial number.
std::string SerialTextOf(std::string text, bool drop_trailing_blanks = false);

// Canon's tags as data, for its note and for the walk, which takes those
// that count wherever they stand (canon_note.cpp).
extern const TTagRule kCanonTags[7];
constexpr std::size_t kCanonTagCount = 7;
// The tags found, their offsets from `base`, into `tags`.
void TakeCanonTags(const std::optional<TFoundEntry>* found, FileOffset base, TByteOrder order,
                   bool in_note, TCanonTags& tags);

// The byte a stored byte of Sony's enciphered records stands for.
std::uint8_t DecipherSonyByte(std::uint8_t stored);

}  // namespace camerafile
