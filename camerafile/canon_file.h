// TCanonFile: reads the Canon maker note of one camera file (big-endian TIFF
// raw, little-endian TIFF ".cr2" raw, JPEG with an Exif segment, CIFF raw,
// CR3 raw and HEIF, the last two ISO base media files) and holds the five
// results: model, firmware, owner, serial number and exposure count. The
// file is only ever read.
//
// Use: Init(name), Analyse(), then the accessors. Nothing here reports an
// error: what is not found keeps its default ("----------" or 0), and a file
// that is not recognised leaves IsValid() false.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camerafile/byte_order.h"
#include "camerafile/cameras.h"
#include "camerafile/data_file.h"
#include "camerafile/makers.h"

namespace camerafile {

// Strings read from the file are at most this many bytes long.
constexpr std::size_t kShortStringMax = 255;

// What a string result shows until a value is read.
inline constexpr const char* kNoValue = "----------";

// TIFF header, in a raw file and inside a JPEG's Exif segment alike: the
// byte-order mark (read big-endian) and then 42 in that byte order.
constexpr std::int32_t kByteOrderMotorola = 0x4D4D;  // "MM"
constexpr std::int32_t kByteOrderIntel = 0x4949;     // "II"
constexpr std::int32_t kTiffMagic = 42;
// Byte order, 42, first-directory offset.
constexpr FileOffset kTiffHeaderSize = 8;

// Container found by recognition (Format).
enum : std::int32_t {
  kFormatNone = 0,
  kFormatTiffBigEndian = 1,
  kFormatTiffLittleEndian = 2,
  kFormatCiff = 3,
  kFormatJpeg = 4,
  kFormatCr3 = 5,   // ISO base media, brand "crx "
  kFormatHeif = 6,  // ISO base media, brand "heic", "heix" or "mif1"
  kFormatOrf = 7,   // Olympus and OM System raw: a TIFF structure, "RO" or "RS" for 42
  kFormatRw2 = 8,   // Panasonic and Leica raw: a TIFF structure, 0x55 for 42
  kFormatRaf = 9,   // Fujifilm raw: a header, then the camera's JPEG
  kFormatMrw = 10,  // Minolta raw: blocks, one of them a TIFF structure
  kFormatX3f = 11,  // Sigma raw: sections, one of them the camera's properties
};

// The kinds of file the reader reads, for the lists of what is read: by the
// names such files usually have (the reader tells them by their first bytes
// alone).
enum class TFileGroup {
  kCameraRaw,       // raw files whose camera's record is read whole
  kPicture,         // JPEG and HEIF pictures
  kOtherMakersRaw,  // other makers' raw files: model, date, serial
};
// ".cr3", ".cr2", ... in the table's order.
std::vector<std::string_view> ExtensionsOf(TFileGroup group);

// What a TIFF directory is read as: the camera's own tags (model ID and
// camera-info record) count only in Canon's maker note; who wrote the file
// (Make), and the model and artist of other makers' files, only in the main
// directories.
enum class TDirectory { kMain, kExif, kMakerNote };

// The TIFF header at TiffBase: byte-order mark, then 42 in that order.
enum class TTiffHeader { kGood, kBadByteOrder, kBadMagic };

// Camera family told by the container (Kind).
enum : std::int32_t {
  kKindNone = 0,  // also JPEG
  kKind1DMarkI = 1,
  kKind1DMarkII = 2,
  kKindD60 = 3,
};

// What the walk leaves behind, phase by phase: the directories note the
// reads still to make (`pending`); IdentifyMaker reads who wrote the file;
// the maker note gives what it holds (`note`); TakeResults then reads the
// pending values and makes the results.
struct TMakerState {
  struct TPendingReads {
    TCanonTags canon;  // Canon's tags, wherever they stood
    // Main directories only: who wrote the file, and for other makers' files
    // the model and the artist.
    std::optional<TTextValue> make, tiff_model, artist;
    std::optional<TTextValue> owner_name, body_serial;
    std::optional<TTextValue> date_taken;  // Exif's DateTimeOriginal
    std::optional<TRecord> dng_private;    // IFD0's DNGPrivateData
  } pending;
  std::string make;                       // IFD0's Make; empty when none
  std::optional<std::string> tiff_model;  // IFD0's Model (tag 0x0110)
  // Whose rules read the file, decided once by the maker note's signature,
  // else the Make (nullptr: a maker the table does not know). Until then, and
  // for a file that names no maker, Canon's, as the program has always read.
  const TMaker* maker = MakerOf({});
  TMakerValues note;  // what the maker note gave
};

class TCanonFile {
 public:
  // Stores the name and resets the results; does not touch the file. The
  // name is kept whole so that exactly the named file is opened.
  bool Init(const TFileName& file_name);

  // Opens the file, recognises its container, runs that container's reading
  // path and closes the file again on every path.
  void Analyse();

  bool IsValid() const { return Valid; }
  std::string GetModel() const { return Model; }
  std::string GetFirmware() const { return Firmware; }
  std::string GetOwner() const { return Owner; }
  std::int32_t GetSerialNumber() const { return SerialNumber; }
  // The serial line's value: the Canon maker note's number when the file
  // has one, else another maker's serial text, else the Exif body serial
  // number as it stands (leading zeros kept), else the number (0). The
  // number is unsigned: a serial number is never negative.
  std::string GetSerialText() const;
  std::int32_t GetShutterCount() const { return ShutterCount; }
  // Of the count, the releases of the mechanical shutter, where the file
  // keeps them apart (Nikon's mirrorless bodies); 0 where it does not.
  std::int32_t GetMechanicalCount() const { return MechanicalCount; }
  // When the picture was taken (Exif's DateTimeOriginal) as the camera
  // wrote it, "YYYY:MM:DD HH:MM:SS"; empty where the file holds none or
  // one that is no date.
  std::string GetDateTaken() const { return DateTaken; }
  // Who wrote the file (IFD0's Make), empty where none; and the camera's
  // own name: IFD0's Model where the file holds one, else the model shown.
  std::string GetMake() const { return MakerState.make; }
  std::string GetCameraName() const;

  // Byte-order reader: each reads at the current position of DataFile in the
  // order IntelOrder gives and advances the position by the bytes read.
  std::int32_t ReadWord() { return ReadWordIn(ByteOrder()); }  // 0 to 65535
  std::int64_t ReadLong() { return ReadLongIn(ByteOrder()); }  // 0 to 4294967295
  // The same in a byte order of the caller's (a maker note's own).
  std::int32_t ReadWordIn(TByteOrder order);
  std::int64_t ReadLongIn(TByteOrder order);
  // IntelOrder as a byte order.
  TByteOrder ByteOrder() const { return IntelOrder == 1 ? TByteOrder::kLittle : TByteOrder::kBig; }
  std::string ReadChars(std::size_t count);  // count <= kShortStringMax
  // Zero-terminated string at an absolute offset, at most kShortStringMax
  // bytes kept; the position is restored afterwards.
  std::string ReadStringAt(FileOffset offset);
  // The exposure counter in the nine words at an absolute offset: w1 * 65536
  // + w2, read back as a signed 32-bit number; the position is restored
  // afterwards. In IntelOrder, or in a byte order of the caller's (a maker
  // note's own).
  std::int32_t ReadShutterCountAt(FileOffset offset) {
    return ReadShutterCountAt(offset, ByteOrder());
  }
  std::int32_t ReadShutterCountAt(FileOffset offset, TByteOrder order);
  // ReadLong at an absolute offset; the position is restored afterwards.
  std::int64_t ReadLongAt(FileOffset offset) { return ReadLongAt(offset, ByteOrder()); }
  std::int64_t ReadLongAt(FileOffset offset, TByteOrder order);
  // An ASCII value: at most its count and kShortStringMax bytes, up to the
  // first zero byte, from its entry or its offset.
  std::string ReadText(const TTextValue& text);

  // Decode two or four bytes in the order IntelOrder gives.
  std::int32_t WordAt(const std::uint8_t* bytes) const;
  std::int64_t LongAt(const std::uint8_t* bytes) const;

  // Reads one TIFF directory at the current position (see directory.cpp)
  // and makes the results of what it found.
  void ReadDirectory(TDirectory role = TDirectory::kMain);
  // The two halves of ReadDirectory: ScanDirectory looks at no more than
  // entry_limit entries, returns how many it looked at, and notes what it
  // found in MakerState; TakeResults reads what the notes point at and
  // fills the results by the rules of the maker that wrote the file.
  std::int32_t ScanDirectory(std::int32_t entry_limit, TDirectory role);
  void TakeResults();
  // Once the main and Exif directories are through: who wrote the file
  // (Make), and the model of the main directories.
  void ReadMakeAndModel();
  // The maker note a DNG's private data or the Exif directory holds, read
  // by its maker's rules. Returns the entries it looked at.
  std::int32_t ReadMakerNote(std::int32_t entry_limit);
  // A maker note found: its maker's rules read the file from now on, and
  // the note by them. Returns the entries it looked at.
  std::int32_t ReadNote(const TMakerNote& note, std::int32_t entry_limit);
  // Seeks to offset and reads a TIFF header there: on success TiffBase is
  // offset, IntelOrder its byte order, and the position on the
  // first-directory offset.
  TTiffHeader EnterTiffHeader(FileOffset offset);
  // The directory walk from a position on a first-directory offset.
  void WalkDirectories();
  // JPEG path: from position 2 on to the embedded TIFF header, then the walk.
  void LocateJpegExif();
  // Fujifilm's RAF: whether its header places a JPEG in the file; then the
  // file is that JPEG, read as one.
  bool EnterRafJpeg();
  // Minolta's MRW: whether its blocks hold a TIFF structure; then the file
  // is that structure, its header at 0.
  bool EnterMrwTiff();
  // Sigma's X3F: the camera's properties (model, serial number).
  void ReadX3f();
  // The TIFF header of the first Exif APP1 segment, looked for through the
  // segments from position 2 on; nothing when there is none.
  std::optional<FileOffset> FindExifSegment();
  // CIFF path: the camera named in the heap decides what is read.
  void ReadCiff();
  // ISO base media files: the brands of the ftyp box give CR3, HEIF or
  // nothing (kFormatNone); then each one's path to its TIFF structures.
  std::int32_t RecogniseIsoMedia();
  void ReadCr3();
  void ReadHeif();

  // Where the JPEG header error lines go; nullptr silences them.
  std::FILE* Messages = stdout;

  // The record; plain fields, read by the paths above and by tests.
  TFileName FileName;
  TDataFile DataFile;
  std::int32_t Kind = kKindNone;
  std::int32_t Format = kFormatNone;
  std::int32_t IntelOrder = 0;  // 1: little-endian ("II"), 0: big-endian ("MM")
  bool Valid = false;
  FileOffset TiffBase = 0;  // every offset inside the TIFF structure counts from here
  FileOffset FirstIfd = 0;
  FileOffset ExifIfd = 0;          // as stored, made absolute when followed
  FileOffset MakerNoteIfd = 0;     // likewise
  std::int64_t MakerNoteSize = 0;  // the maker-note entry's value count: its bytes
  FileOffset NextIfd = 0;          // likewise
  std::int32_t EntryCount = 0;
  std::int32_t EntryTag = 0;
  std::int32_t EntryType = 0;
  std::int64_t ValueCount = 0;
  std::int32_t ValueSize = 0;
  // What the walk leaves behind for the step that makes the results (see
  // TMakerState).
  TMakerState MakerState;
  // The camera that wrote the file, its row of the camera table (nullptr:
  // not named, or not in the table).
  const TCameraRow* Camera = nullptr;
  FileOffset CiffHeaderLength = 0;
  FileOffset CiffAnchor = 0;
  std::string Model = kNoValue;
  std::string Firmware = kNoValue;
  std::string Owner = kNoValue;
  std::int32_t SerialNumber = 0;
  bool HasSerialNumber = false;  // a maker-note serial number was read
  std::string BodySerialNumber;  // Exif tag 0xA431; empty when none
  std::int32_t ShutterCount = 0;
  std::int32_t MechanicalCount = 0;  // of ShutterCount, the mechanical shutter's; 0: none
  std::string DateTaken;             // Exif's DateTimeOriginal, where it is a date
  // What the count includes, for the sentence beside it (the web page).
  TCountIncludes CountIncludes = TCountIncludes::kShutterReleases;
};

// An Exif date and time, "YYYY:MM:DD HH:MM:SS" (what follows ignored), when
// it names a day of the calendar and a time of day; else empty.
std::string ExifDateTime(const std::string& text);

// Two's-complement reading of the low 32 bits, without undefined or
// implementation-defined behaviour: 2^31 becomes -2^31.
std::int32_t WrapToInt32(std::uint64_t value);

}  // namespace camerafile
