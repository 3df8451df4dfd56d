// Who wrote the file decides how its maker note is read. Each maker writes
// its note its own way: a signature, or none; a header that sets the byte
// order, or none; offsets that count from the TIFF header, from the note or
// from a TIFF header of the note's own. Canon's note is read by the
// directory walk (directory.cpp), Nikon's, Pentax's and Sony's by their own
// files, and a note of any other maker not at all.
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
enum class TMaker : std::int32_t { kCanon, kNikon, kPentax, kSony, kOther };

// What another maker's note gives.
struct TMakerValues {
  std::string serial;      // empty: none
  std::int32_t count = 0;  // 0: none
  TCountIncludes includes = TCountIncludes::kShutterReleases;
};

// The directory of another maker's note, as the note's header places it.
struct TNoteDirectory {
  FileOffset at;             // absolute position of its entry count
  FileOffset base;           // the note's offsets count from here
  std::int32_t intel_order;  // as the header says, before the entry-count check
  FileOffset note_begin;     // the note's own bytes: [note_begin, note_end)
  FileOffset note_end;
};

// Reads another maker's note; entries_left is what the analysis may still
// look at, and goes down by what the note's directory took.
using TNoteReader = TMakerValues (*)(TCanonFile& file, const TNoteDirectory& note,
                                     std::string_view model, std::int32_t& entries_left);

// The maker note as its maker writes it.
struct TMakerNote {
  TMaker maker = TMaker::kCanon;
  std::optional<TNoteDirectory> directory;  // none: nothing of ours is read from the note
  TNoteReader read = nullptr;
};

// The maker a file's Make names, for a file without a maker note.
TMaker MakerOf(std::string_view make);
// The maker note of `size` bytes at the absolute position `begin` of a file
// whose main directories name `make`: its signature, else the Make, decides.
TMakerNote FindMakerNote(TCanonFile& file, std::string_view make, FileOffset begin,
                         std::int64_t size);

// A tag another maker's note is read for: its type and the value counts
// that make it one.
struct TTagRule {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t min_count;
  std::uint32_t max_count;
};
constexpr std::uint32_t kAnyCount = 0xFFFFFFFFu;

// One entry of a note's directory, numbers in the directory's byte order.
struct TNoteEntry {
  std::uint32_t count;
  std::uint32_t value;                // the value, or its offset from the note's base
  std::array<std::uint8_t, 4> bytes;  // the value field as stored
};

// The last entry of each rule's tag, of its type and count, in the note's
// directory. The entry count is read in the note's order, or in the other
// when that gives 1 to 512 and the note's 0 or more than 512 (files
// rewritten without the note's byte-order mark); a directory that does not
// lie inside the note and the file gives none.
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

// Each maker's note (nikon_note.cpp, pentax_note.cpp, sony_note.cpp).
TMakerValues ReadNikonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                           std::int32_t& entries_left);
TMakerValues ReadPentaxNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                            std::int32_t& entries_left);
TMakerValues ReadSonyNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                          std::int32_t& entries_left);
// The byte a stored byte of Sony's enciphered records stands for.
std::uint8_t DecipherSonyByte(std::uint8_t stored);

}  // namespace camerafile
