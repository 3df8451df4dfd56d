// The makers as data: a row per maker with the Makes that name it, the
// forms its notes take (their first bytes, where each one's directory is,
// its byte order and what its offsets count from) and the reader of its
// note. Every note, wherever it lives, is found and placed here.
#include "camerafile/makers.h"

#include <algorithm>
#include <cctype>

#include "camerafile/canon_file.h"
#include "camerafile/entries.h"

namespace camerafile {

// Each maker's note reader, in its <maker>_note.cpp.
TMakerValues ReadCanonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                           std::int32_t& entries_left);
TMakerValues ReadNikonNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                           std::int32_t& entries_left);
TMakerValues ReadPentaxNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                            std::int32_t& entries_left);
TMakerValues ReadSonyNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                          std::int32_t& entries_left);
TMakerValues ReadPhaseOneNote(TCanonFile& file, const TNoteDirectory& note, std::string_view model,
                              std::int32_t& entries_left);

namespace {

using namespace std::string_view_literals;

// Where a note's byte order comes from, before the entry-count rule.
enum class TOrderFrom {
  kPlace,  // the order of what holds the note
  kMarks,  // "II" or "MM" at marks_at; anything else: the place's
};
// What a note's offsets count from.
enum class TBase { kTiffHeader, kNote };
// How a program that moved the note without mending its offsets shows.
enum class TMoved {
  kNever,
  kCanonFooter,      // Canon's last 8 bytes: "II" 2A 00 or "MM" 00 2A, then
                     // where the camera wrote the note
  kFirstValueAfter,  // the camera writes the first value right after the
                     // directory's next-directory offset
};

// Where a header that the columns do not describe puts the note's
// directory (absolute), what its offsets count from, and its order.
struct THeaderPlacement {
  FileOffset directory;
  FileOffset base;
  TByteOrder order;
};
using THeaderReader = std::optional<THeaderPlacement> (*)(TCanonFile& file,
                                                          const TNotePlace& place);

// Where a form of note is found.
using THolders = std::uint8_t;
constexpr THolders HolderBit(TNoteHolder holder) {
  return static_cast<THolders>(1u << static_cast<std::uint32_t>(holder));
}
// The note as the camera wrote it: in the Exif directory, or copied whole
// into a DNG by a converter.
constexpr THolders kCameraNote = HolderBit(TNoteHolder::kExif) | HolderBit(TNoteHolder::kDngRecord);
constexpr THolders kDngPrivate = HolderBit(TNoteHolder::kDngPrivate);
constexpr THolders kCr3Box = HolderBit(TNoteHolder::kCr3Box);

// One form a maker's note takes: its first bytes and a header, the
// directory after it.
struct TNoteForm {
  std::string_view begins;  // empty: no signature, the Make names the maker
  // The header's bytes, which a note must hold for its directory to be
  // read; kNothingOfOurs: a note that holds nothing this program reads.
  FileOffset header = 0;
  TBase base = TBase::kTiffHeader;
  THolders holders = 0;  // none: an empty slot of the table
  TOrderFrom order_from = TOrderFrom::kPlace;
  FileOffset marks_at = 0;
  bool fixed_order = false;  // the entry-count rule does not apply
  TMoved moved = TMoved::kNever;
  THeaderReader placed_by = nullptr;  // where set, it places the directory, not the columns
  bool only_if_make_names_maker = false;

  // The form with one column set: the steps the table below is written in.
  template <typename T>
  constexpr TNoteForm With(T TNoteForm::*column, T value) const {
    TNoteForm form = *this;
    form.*column = value;
    return form;
  }
  constexpr TNoteForm Marks(FileOffset at) const {
    return With(&TNoteForm::order_from, TOrderFrom::kMarks).With(&TNoteForm::marks_at, at);
  }
  constexpr TNoteForm In(THolders where) const { return With(&TNoteForm::holders, where); }
  constexpr TNoteForm Moved(TMoved how) const { return With(&TNoteForm::moved, how); }
  constexpr TNoteForm PlacedBy(THeaderReader reader) const {
    return With(&TNoteForm::placed_by, reader);
  }
  constexpr TNoteForm FixedOrder() const { return With(&TNoteForm::fixed_order, true); }
  constexpr TNoteForm OnlyIfMakeNamesMaker() const {
    return With(&TNoteForm::only_if_make_names_maker, true);
  }
};
constexpr FileOffset kNothingOfOurs = -1;

// A Make that names a maker: the Make begins with it.
struct TMakeName {
  std::string_view begins;
  bool any_case = false;
};

}  // namespace

// A maker: the Makes that name it, its notes' forms, and how its note is
// read: by its reader, or, for a note that gives only a serial text, the
// paths to it; neither: a note known and placed that gives nothing.
struct TMaker {
  std::string_view name;
  // For the lists of what is read: what its notes give, and the names its
  // cameras are sold under.
  TNoteGives gives;
  std::array<std::string_view, 2> brands;
  std::array<TMakeName, 2> makes;
  std::array<TNoteForm, 5> forms;
  TNoteReader read = nullptr;
  TSerialPaths serial = {};
  bool canon_record = false;  // its tags count wherever they stand (Canon's)
};

namespace {

// The byte order of "II" or "MM" at a position, or nothing.
std::optional<TByteOrder> MarksAt(TCanonFile& file, FileOffset at) {
  file.DataFile.Seek(at);
  const std::int32_t marks = file.ReadWordIn(TByteOrder::kBig);  // as the bytes stand
  if (marks == kByteOrderIntel) return TByteOrder::kLittle;
  if (marks == kByteOrderMotorola) return TByteOrder::kBig;
  return std::nullopt;
}

// A TIFF header of the note's own, `at` bytes into it (Nikon's, a CR3's
// CMT3): its marks give the order, its first-directory offset places the
// directory, and the note's offsets count from it. A damaged one: none.
template <FileOffset at>
std::optional<THeaderPlacement> InnerTiffHeader(TCanonFile& file, const TNotePlace& place) {
  const FileOffset header = place.begin + at;
  const auto order = MarksAt(file, header);
  if (!order || file.ReadWordIn(*order) != kTiffMagic) return std::nullopt;
  return THeaderPlacement{header + file.ReadLongIn(*order), header, *order};
}

// Phase One: "IIII" or "MMMM" (its byte order), four bytes, then the
// offset of its directory from the note's first byte; the directory is of
// Phase One's own shape (phaseone_note.cpp).
std::optional<THeaderPlacement> PhaseOneHeader(TCanonFile& file, const TNotePlace& place) {
  constexpr FileOffset kPointerAt = 8;
  const auto order = MarksAt(file, place.begin);
  if (!order) return std::nullopt;
  file.DataFile.Seek(place.begin + kPointerAt);
  return THeaderPlacement{place.begin + file.ReadLongIn(*order), place.begin, *order};
}

// Fujifilm: "FUJIFILM", then the directory's offset from the note's first
// byte, little-endian like the whole note.
std::optional<THeaderPlacement> FujifilmHeader(TCanonFile& file, const TNotePlace& place) {
  constexpr FileOffset kPointerAt = 8;
  file.DataFile.Seek(place.begin + kPointerAt);
  return THeaderPlacement{place.begin + file.ReadLongIn(TByteOrder::kLittle), place.begin,
                          TByteOrder::kLittle};
}

// The forms of the table below.
constexpr TBase kFromTiff = TBase::kTiffHeader;
constexpr TBase kFromNote = TBase::kNote;
constexpr TNoteForm Note(std::string_view begins, FileOffset header, TBase base = kFromTiff) {
  return {begins, header, base, kCameraNote};
}
constexpr TNoteForm kHeaderless = Note(""sv, 0);
constexpr bool kAnyCase = true;
constexpr TSerialPaths kNoSerial = {};
constexpr bool kCanonRecord = true;
// The serial text at these paths, tried in turn.
constexpr TSerialPaths Serial(std::initializer_list<TSerialPath> paths) {
  TSerialPaths serial;
  std::size_t i = 0;
  for (const TSerialPath& path : paths) serial.paths[i++] = path;
  return serial;
}
constexpr TSerialPaths BlanksPad(TSerialPaths serial) {
  serial.blanks_pad = true;
  return serial;
}
constexpr TSerialPaths BelowPastNote(TSerialPaths serial) {
  serial.below_past_note = true;
  return serial;
}

constexpr TMaker kMakers[] = {
    // The directory at the note's first byte; in a CR3 the CMT3 box, a TIFF
    // structure of its own.
    {"Canon",
     TNoteGives::kCount,
     {"Canon"sv},
     {{{"Canon"sv}}},
     {{kHeaderless.Moved(TMoved::kCanonFooter),
       Note(""sv, kTiffHeaderSize).In(kCr3Box).PlacedBy(InnerTiffHeader<0>)}},
     ReadCanonNote,
     kNoSerial,
     kCanonRecord},
    // "Nikon" 00, version 02 10 or 02 00, 00 00, then a TIFF header of its
    // own; old Coolpix notes hold nothing of ours; the D1's and Coolpix
    // notes without a header are a directory at the first byte.
    {"Nikon",
     TNoteGives::kCount,
     {"Nikon"sv},
     {{{"NIKON"sv, kAnyCase}}},
     {{Note("Nikon\0\x02"sv, 10 + kTiffHeaderSize).PlacedBy(InnerTiffHeader<10>),
       Note("Nikon\0\x01"sv, kNothingOfOurs), kHeaderless}},
     ReadNikonNote},
    // In a DNG's private data the camera writes the note in the file's
    // order, offsets from its first byte.
    {"Pentax",
     TNoteGives::kCount,
     {"Pentax"sv},
     {},
     {{Note("AOC\0"sv, 6).Marks(4).Moved(TMoved::kFirstValueAfter),
       Note("PENTAX \0"sv, 10, kFromNote).Marks(8),
       Note("PENTAX \0"sv, 10, kFromNote).In(kDngPrivate),
       Note("SAMSUNG\0"sv, 10, kFromNote).In(kDngPrivate)}},
     ReadPentaxNote},
    // The GR III and IIIx: Pentax's note behind "RICOH" 00 and the marks.
    {"Ricoh",
     TNoteGives::kCount,
     {"Ricoh"sv},
     {},
     {{Note("RICOH\0II"sv, 8, kFromNote).Marks(6), Note("RICOH\0MM"sv, 8, kFromNote).Marks(6),
       Note("RICOH\0"sv, 8, kFromNote).In(kDngPrivate)}},
     ReadPentaxNote},
    // Sony Ericsson and Xperia phones write other Makes; so begins a
    // one-entry directory in little-endian order, none of ours.
    {"Sony",
     TNoteGives::kCount,
     {"Sony"sv},
     {{{"SONY"sv}}},
     {{Note("SONY DSC \0\0\0"sv, 12), Note("SONY CAM \0\0\0"sv, 12), Note("SONY MOBILE\0"sv, 12),
       Note("\x01\x00"sv, kNothingOfOurs).OnlyIfMakeNamesMaker(), kHeaderless}},
     ReadSonyNote},
    // "OLYMP" 00 (Epson's the same) and two bytes; "OLYMPUS" 00, the marks
    // and two bytes; OM System's likewise, longer. Olympus keeps no count in
    // its files. The serial: 0x101A, else 0x0404, else 0x0404 of the camera
    // settings 0x4000 leads to, else 0x0101 of the Equipment directory
    // (0x2010); padded with blanks.
    {"Olympus",
     TNoteGives::kSerial,
     {"Olympus"sv, "OM System"sv},
     {},
     {{Note("OLYMP\0"sv, 8), Note("EPSON\0"sv, 8), Note("OLYMPUS\0"sv, 12, kFromNote).Marks(8),
       Note("OM SYSTEM\0\0\0"sv, 16, kFromNote).Marks(12)}},
     nullptr,
     BlanksPad(Serial({{kInNote, 0x101A}, {kInNote, 0x0404}, {0x4000, 0x0404}, {0x2010, 0x0101}}))},
    // Sigma's and Foveon's notes, only in files their Make names.
    {"Sigma",
     TNoteGives::kSerial,
     {"Sigma"sv},
     {{{"SIGMA"sv, kAnyCase}, {"FOVEON"sv, kAnyCase}}},
     {{Note("SIGMA\0\0\0"sv, 10).OnlyIfMakeNamesMaker(),
       Note("FOVEON\0\0"sv, 10).OnlyIfMakeNamesMaker()}},
     nullptr,
     Serial({{kInNote, 0x0002}})},
    // Kodak: a directory at the note's first byte, in the file's order. The
    // serial stands one directory down: 0xFC00's on the Z-series (its
    // neighbours 0xFC01 to 0xFC05 are of the other order), 0xFF00's in a
    // KDC raw file, whose note declares fewer bytes than its directory lies
    // past. Notes of other forms hold nothing of ours: a TIFF header of
    // their own, or older bodies' binary records (which no directory path
    // matches).
    {"Kodak",
     TNoteGives::kSerial,
     {"Kodak"sv},
     {{{"EASTMAN KODAK COMPANY"sv}, {"KODAK"sv}}},
     {{Note("II*\0"sv, kNothingOfOurs).OnlyIfMakeNamesMaker(),
       Note("MM\0*"sv, kNothingOfOurs).OnlyIfMakeNamesMaker(), kHeaderless}},
     nullptr,
     BelowPastNote(Serial({{0xFC00, 0xFA19}, {0xFF00, 0xFA04}}))},
    // Phase One (and Leaf): "IIII" or "MMMM", then a directory of 16-byte
    // entries.
    {"Phase One",
     TNoteGives::kSerial,
     {"Phase One"sv, "Leaf"sv},
     {{{"Phase One"sv, kAnyCase}, {"Leaf"sv}}},
     {{Note("IIII"sv, 12, kFromNote).PlacedBy(PhaseOneHeader).FixedOrder(),
       Note("MMMM"sv, 12, kFromNote).PlacedBy(PhaseOneHeader).FixedOrder()}},
     ReadPhaseOneNote},
    // Known and placed, read for nothing: Fujifilm's 0x0010 and Panasonic's
    // 0x0025 are internal numbers, not the body's serial, and Fujifilm's
    // image count (0x1438) holds 15 bits and restarts after a firmware update.
    {"Fujifilm",
     TNoteGives::kNothing,
     {"Fujifilm"sv},
     {{{"FUJIFILM"sv}}},
     {{Note("FUJIFILM"sv, 12).PlacedBy(FujifilmHeader).FixedOrder()}}},
    {"Panasonic",
     TNoteGives::kNothing,
     {"Panasonic"sv},
     {{{"Panasonic"sv}}},
     {{Note("Panasonic\0\0\0"sv, 12)}}},
};
constexpr std::size_t kLongestSignature = 12;

constexpr bool SignaturesFit() {
  for (const TMaker& maker : kMakers) {
    for (const TNoteForm& form : maker.forms) {
      if (form.begins.size() > kLongestSignature) return false;
    }
  }
  return true;
}
static_assert(SignaturesFit(), "a signature longer than the bytes looked at");

bool Names(const TMaker& maker, std::string_view make) {
  return std::any_of(maker.makes.begin(), maker.makes.end(), [&](const TMakeName& name) {
    return !name.begins.empty() && StartsWith(make, name.begins, name.any_case);
  });
}

bool FoundIn(const TNoteForm& form, TNoteHolder holder) {
  return (form.holders & HolderBit(holder)) != 0;
}

// How far a program moved a Canon note: its footer says where the camera
// wrote it. Not where the last value already ends at the footer (or one
// byte before it): some programs mend the offsets and not the footer.
FileOffset CanonFooterShift(TCanonFile& file, const TNoteDirectory& note, const TNotePlace& place) {
  constexpr FileOffset kFooterSize = 8;
  if (place.size < kFooterSize) return 0;
  const FileOffset footer = place.begin + place.size - kFooterSize;
  const auto marks = MarksAt(file, footer);
  if (marks != note.order || file.ReadWordIn(note.order) != kTiffMagic) return 0;
  const FileOffset written = file.ReadLongIn(note.order);
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
  const std::int64_t entries = file.ReadWordIn(note.order);
  const FileOffset first =
      note.at - note.base + 2 + static_cast<FileOffset>(kEntrySize) * entries + 4;
  return first - values->first;
}

// The one place a note's directory is made: placed by the form, its byte
// order decided once, its base mended where a program moved the note.
std::optional<TNoteDirectory> PlaceDirectory(TCanonFile& file, const TNoteForm& form,
                                             const TNotePlace& place) {
  if (form.header == kNothingOfOurs || place.size < form.header) return std::nullopt;
  std::optional<THeaderPlacement> placed;
  if (form.placed_by != nullptr) {
    placed = form.placed_by(file, place);
    if (!placed) return std::nullopt;
  } else {
    placed =
        THeaderPlacement{place.begin + form.header,
                         form.base == TBase::kNote ? place.begin : place.tiff_base, place.order};
    if (form.order_from == TOrderFrom::kMarks) {
      placed->order = MarksAt(file, place.begin + form.marks_at).value_or(place.order);
    }
  }
  // An Exif directory's note stands in the TIFF structure it belongs to;
  // the other places hold the note alone.
  const bool in_structure = place.holder == TNoteHolder::kExif;
  TNoteDirectory directory{placed->directory,
                           placed->base,
                           placed->order,
                           place.begin,
                           place.begin + place.size,
                           in_structure ? place.tiff_base : place.begin,
                           in_structure ? file.DataFile.Size() : place.begin + place.size};
  if (!form.fixed_order) {
    directory.order = NoteOrder(file, directory.at, directory.order);
  }
  // Only the Exif directory's note can have been moved: a DNG's copy says
  // where it stood, and a CR3's box is a TIFF structure of its own.
  if (place.holder == TNoteHolder::kExif) {
    switch (form.moved) {
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

bool TNoteDirectory::Holds(const TDataFile& file, FileOffset begin, std::int64_t size) const {
  return FitsInside(begin, size, note_begin, std::min(note_end, file.Size()));
}

bool StartsWith(std::string_view text, std::string_view start, bool any_case) {
  if (text.size() < start.size()) return false;
  return std::equal(start.begin(), start.end(), text.begin(), [any_case](char a, char b) {
    if (!any_case) return a == b;
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  });
}

const TMaker* MakerOf(std::string_view make) {
  // A file that names no maker is read as ever, as Canon's.
  static_assert(kMakers[0].canon_record, "the first row is Canon's");
  if (make.empty()) return &kMakers[0];
  for (const TMaker& maker : kMakers) {
    if (Names(maker, make)) return &maker;
  }
  return nullptr;
}

std::vector<std::string_view> BrandsWhoseNotesGive(TNoteGives gives) {
  std::vector<std::string_view> brands;
  for (const TMaker& maker : kMakers) {
    if (maker.gives != gives) continue;
    for (const std::string_view brand : maker.brands) {
      if (!brand.empty()) brands.push_back(brand);
    }
  }
  return brands;
}

std::string_view MakerName(const TMaker* maker) {
  return maker != nullptr ? maker->name : std::string_view();
}

bool ReadsAsCanon(const TMaker* maker) {
  return maker != nullptr && maker->canon_record;
}

TMakerNote FindMakerNote(TCanonFile& file, std::string_view make, const TNotePlace& place) {
  std::array<char, kLongestSignature> first{};
  file.DataFile.Seek(place.begin);
  file.DataFile.Read(reinterpret_cast<std::uint8_t*>(first.data()), first.size());
  // Only the note's own bytes can match a signature.
  const std::string_view head(first.data(),
                              static_cast<std::size_t>(std::clamp<std::int64_t>(
                                  place.size, 0, static_cast<std::int64_t>(first.size()))));

  // A signature names the maker, whatever the Make (where the form does not
  // ask for the maker's own).
  for (const TMaker& maker : kMakers) {
    for (const TNoteForm& form : maker.forms) {
      if (form.begins.empty() || !FoundIn(form, place.holder) || !StartsWith(head, form.begins) ||
          (form.only_if_make_names_maker && !Names(maker, make))) {
        continue;
      }
      return {&maker, PlaceDirectory(file, form, place)};
    }
  }
  // Else the Make does, and its maker's form without a signature.
  TMakerNote note{MakerOf(make), std::nullopt};
  if (note.maker != nullptr) {
    for (const TNoteForm& form : note.maker->forms) {
      if (form.begins.empty() && FoundIn(form, place.holder)) {
        note.directory = PlaceDirectory(file, form, place);
        break;
      }
    }
  }
  return note;
}

TMakerValues ReadMakerValues(TCanonFile& file, const TMakerNote& note, std::string_view model,
                             std::int32_t& entries_left) {
  if (note.maker == nullptr || !note.directory) return {};
  if (note.maker->read != nullptr) {
    return note.maker->read(file, *note.directory, model, entries_left);
  }
  TMakerValues values;
  values.serial = SerialAlongPaths(file, *note.directory, note.maker->serial, entries_left);
  return values;
}

}  // namespace camerafile
