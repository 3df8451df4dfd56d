// What every maker's note reader shares: the note's byte order, its
// directory read within the note's bounds, its values' extent, its texts.
#include <algorithm>
#include <array>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"
#include "camerafile/limits.h"

namespace camerafile {
namespace {

// A note's directory in the wrong byte order shows a count of 0 or one in
// the thousands; no maker's directory holds more than a few hundred.
constexpr std::int32_t kMostNoteEntries = 512;

bool Takes(const TTagRule& rule, std::int32_t tag, const TNoteEntry& entry) {
  return tag == rule.tag && entry.type >= 0 && entry.type < 16 &&
         (rule.types & TypeBit(entry.type)) != 0 && entry.count >= rule.min_count &&
         entry.count <= rule.max_count;
}

// The entry count of a note's directory, when the directory lies inside the
// note and the file.
std::optional<std::int32_t> EntriesInside(TCanonFile& file, const TNoteDirectory& note) {
  file.DataFile.Seek(note.at);
  const std::int32_t count = file.ReadWordIn(note.intel_order);
  const FileOffset end = std::min(note.note_end, file.DataFile.Size());
  const FileOffset size = 2 + static_cast<FileOffset>(kEntrySize) * count;
  if (note.at < note.note_begin || note.at > end || end - note.at < size) return std::nullopt;
  return count;
}

}  // namespace

std::int32_t NoteOrder(TCanonFile& file, FileOffset at, std::int32_t intel_order) {
  std::array<std::uint8_t, 2> count_bytes{};
  file.DataFile.Seek(at);
  file.DataFile.Read(count_bytes.data(), count_bytes.size());
  const std::int32_t count = DecodeWord(count_bytes.data(), intel_order);
  const std::int32_t other = DecodeWord(count_bytes.data(), 1 - intel_order);
  const bool makes_sense = count >= 1 && count <= kMostNoteEntries;
  const bool other_makes_sense = other >= 1 && other <= kMostNoteEntries;
  return !makes_sense && other_makes_sense ? 1 - intel_order : intel_order;
}

void MatchEntry(std::int32_t tag, const TNoteEntry& entry, const TTagRule* rules,
                std::size_t rule_count, std::optional<TNoteEntry>* found) {
  for (std::size_t i = 0; i < rule_count; ++i) {
    if (Takes(rules[i], tag, entry)) found[i] = entry;
  }
}

void FindNoteEntries(TCanonFile& file, const TNoteDirectory& note, const TTagRule* rules,
                     std::size_t rule_count, std::optional<TNoteEntry>* found,
                     std::int32_t& entries_left) {
  const auto count = EntriesInside(file, note);
  if (!count) return;
  const std::int32_t entries = std::min(*count, std::max(entries_left, 0));
  entries_left -= ReadEntries(file.DataFile, entries, note.intel_order, [&](const TEntry& entry) {
    TNoteEntry kept{entry.type,
                    static_cast<std::uint32_t>(entry.count),
                    static_cast<std::uint32_t>(entry.value),
                    {}};
    std::copy_n(entry.bytes, kInEntry, kept.bytes.begin());
    MatchEntry(entry.tag, kept, rules, rule_count, found);
  });
}

std::optional<TValueSpan> SurveyValues(TCanonFile& file, const TNoteDirectory& note) {
  const auto count = EntriesInside(file, note);
  if (!count) return std::nullopt;
  std::optional<TValueSpan> span;
  ReadEntries(file.DataFile, std::min(*count, WalkLimits::kEntries), note.intel_order,
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

std::string NoteText(TCanonFile& file, const TNoteDirectory& note, const TNoteEntry& entry) {
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
