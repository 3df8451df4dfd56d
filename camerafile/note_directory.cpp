// What every maker's note reader shares: the note's byte order, its
// directory read within the note's bounds, its values' extent, its texts.
#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

// A note's directory in the wrong byte order shows a count of 0 or one in
// the thousands; no maker's directory holds more than a few hundred.
constexpr std::int32_t kMostNoteEntries = 512;

// What points to a directory below the note: its offset from the note's
// base (IFD or LONG), or, on older bodies, its bytes as the value
// (undefined or ASCII), at that offset.
constexpr std::uint16_t kSubDirectory = TypeBits(kTypeIfd, kTypeLong, kTypeUndefined, kTypeAscii);

bool Takes(const TTagRule& rule, std::int32_t tag, const TFoundEntry& entry) {
  return tag == rule.tag && entry.type >= 0 && entry.type < 16 &&
         (rule.types & TypeBit(entry.type)) != 0 && entry.count >= rule.min_count &&
         entry.count <= rule.max_count;
}

// The entry count of a note's directory, when the directory lies inside the
// note and the file.
std::optional<std::int32_t> EntriesInside(TCanonFile& file, const TNoteDirectory& note) {
  file.DataFile.Seek(note.at);
  const std::int32_t count = file.ReadWordIn(note.order);
  if (!note.Holds(file.DataFile, note.at, 2 + static_cast<FileOffset>(kEntrySize) * count)) {
    return std::nullopt;
  }
  return count;
}

}  // namespace

TByteOrder NoteOrder(TCanonFile& file, FileOffset at, TByteOrder order) {
  std::array<std::uint8_t, 2> count_bytes{};
  file.DataFile.Seek(at);
  file.DataFile.Read(count_bytes.data(), count_bytes.size());
  const auto makes_sense = [&](TByteOrder in) {
    const std::int32_t count = DecodeWord(count_bytes.data(), in);
    return count >= 1 && count <= kMostNoteEntries;
  };
  return !makes_sense(order) && makes_sense(OtherOrder(order)) ? OtherOrder(order) : order;
}

void MatchEntry(std::int32_t tag, const TFoundEntry& entry, const TTagRule* rules,
                std::size_t rule_count, std::optional<TFoundEntry>* found) {
  for (std::size_t i = 0; i < rule_count; ++i) {
    if (Takes(rules[i], tag, entry)) found[i] = entry;
  }
}

void FindNoteEntries(TCanonFile& file, const TNoteDirectory& note, const TTagRule* rules,
                     std::size_t rule_count, std::optional<TFoundEntry>* found,
                     std::int32_t& entries_left) {
  const auto count = EntriesInside(file, note);
  if (!count) return;
  const std::int32_t entries = std::min(*count, std::max(entries_left, 0));
  entries_left -= ReadEntries(file.DataFile, entries, note.order, [&](const TEntry& entry) {
    MatchEntry(entry.tag, Kept(entry), rules, rule_count, found);
  });
}

std::optional<TValueSpan> SurveyValues(TCanonFile& file, const TNoteDirectory& note) {
  const auto count = EntriesInside(file, note);
  if (!count) return std::nullopt;
  std::optional<TValueSpan> span;
  ReadEntries(file.DataFile, std::min(*count, WalkLimits::kEntries), note.order,
              [&](const TEntry& entry) {
                const std::int64_t size = entry.count * UnitSize(entry.type);
                if (size <= kInEntry) return;
                const std::int64_t end = entry.value + size;
                if (!span) span = TValueSpan{entry.value, end};
                span->first = std::min(span->first, entry.value);
                span->end = std::max(span->end, end);
              });
  return span;
}

std::string SerialAlongPaths(TCanonFile& file, const TNoteDirectory& note,
                             const TSerialPaths& paths, std::int32_t& entries_left) {
  // One reading of the note's directory finds the texts and the pointers of
  // all paths.
  std::array<TTagRule, std::tuple_size_v<decltype(paths.paths)>> rules{};
  std::size_t count = 0;
  for (const TSerialPath& path : paths.paths) {
    if (path.text == 0) break;
    rules[count++] = path.below == kInNote ? TTagRule{path.text, TypeBit(kTypeAscii), 1, kAnyCount}
                                           : TTagRule{path.below, kSubDirectory, 1, kAnyCount};
  }
  std::array<std::optional<TFoundEntry>, std::tuple_size_v<decltype(rules)>> found;
  FindNoteEntries(file, note, rules.data(), count, found.data(), entries_left);

  for (std::size_t i = 0; i < count; ++i) {
    if (!found[i]) continue;
    const TSerialPath& path = paths.paths[i];
    std::string text;
    if (path.below == kInNote) {
      text = NoteText(file, note, *found[i]);
    } else {
      // The directory below: the note's base, its order by the entry-count
      // rule, inside the note or, where the maker's notes ask for it, the
      // TIFF structure.
      TNoteDirectory below = note;
      below.at = note.base + found[i]->value;
      below.order = NoteOrder(file, below.at, note.order);
      if (paths.below_past_note) {
        below.note_begin = note.structure_begin;
        below.note_end = note.structure_end;
      }
      const TTagRule serial[] = {{path.text, TypeBit(kTypeAscii), 1, kAnyCount}};
      const auto in_below = FindNoteEntries(file, below, serial, entries_left);
      if (in_below[0]) text = NoteText(file, below, *in_below[0]);
    }
    std::string serial = SerialTextOf(std::move(text), paths.blanks_pad);
    if (!serial.empty()) return serial;
  }
  return {};
}

std::string NoteText(TCanonFile& file, const TNoteDirectory& note, const TFoundEntry& entry) {
  return file.ReadText(TTextValue{entry.count, note.base + entry.value, entry.bytes});
}

std::string SerialTextOf(std::string text, bool drop_trailing_blanks) {
  const auto dropped = [&](char c) {
    return c == '\r' || c == '\n' || (drop_trailing_blanks && c == ' ');
  };
  while (!text.empty() && dropped(text.back())) text.pop_back();
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  const bool blank = std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
  return control || blank ? std::string() : text;
}

}  // namespace camerafile
