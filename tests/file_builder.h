// Builds camera files byte by byte for the tests: TIFF headers and
// directories in either byte order, the Canon maker note, JPEG segments and
// CIFF headers. Also a temporary folder to write them into and a way to run
// the built program on them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "camerafile/data_file.h"

namespace testfile {

enum class Order { kBig, kLittle };

// TIFF field types used by the tests.
constexpr std::uint16_t kByte = 1;
constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kUndefined = 7;

// Tags the reader acts on.
constexpr std::uint16_t kTagMake = 0x010F;
constexpr std::uint16_t kTagExif = 0x8769;
constexpr std::uint16_t kTagMakerNote = 0x927C;
constexpr std::uint16_t kTagModel = 0x0006;
constexpr std::uint16_t kTagFirmware = 0x0007;
constexpr std::uint16_t kTagOwner = 0x0009;
constexpr std::uint16_t kTagSerial = 0x000C;
constexpr std::uint16_t kTagCameraInfo = 0x000D;
constexpr std::uint16_t kTagModelId = 0x0010;
constexpr std::uint16_t kTagCounter = 0x0093;
constexpr std::uint16_t kTagBodySerial = 0xA431;
constexpr std::uint16_t kTagTiffModel = 0x0110;
constexpr std::uint16_t kTagArtist = 0x013B;
constexpr std::uint16_t kTagOwnerName = 0xA430;

// A growing byte string that writes numbers in its byte order.
class Bytes {
 public:
  explicit Bytes(Order order = Order::kBig) : order_(order) {}

  Bytes& U8(std::uint32_t v);
  Bytes& U16(std::uint32_t v);
  Bytes& U32(std::uint32_t v);
  Bytes& Words(std::initializer_list<std::uint16_t> words);
  Bytes& Text(const std::string& text);  // the bytes only, no terminator
  Bytes& Raw(const std::vector<std::uint8_t>& bytes);
  Bytes& Zeros(std::size_t count);
  Bytes& Append(const Bytes& other);
  Bytes& PadTo(std::size_t size);  // zeros up to size
  void PutU32At(std::size_t at, std::uint32_t v);

  std::size_t size() const { return data_.size(); }
  const std::vector<std::uint8_t>& data() const { return data_; }
  Order order() const { return order_; }
  Bytes& SetOrder(Order order) {
    order_ = order;
    return *this;
  }

 private:
  Order order_;
  std::vector<std::uint8_t> data_;
};

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // the value, or its offset from the TIFF header
};

// "MM" or "II", 42, then the first-directory offset.
Bytes TiffHeader(Order order, std::uint32_t first_directory);
// Entry count, the entries, the next-directory offset.
void AppendDirectory(Bytes& out, const std::vector<Entry>& entries, std::uint32_t next);

// A directory entry whose data, when given, follow the directories, at an
// offset filled in; `link` makes the value the offset of another directory.
struct Field {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value = 0;
  std::vector<std::uint8_t> data = {};
  int link = -1;
  bool in_entry = false;  // the data, at most four bytes, stand in the entry
};
// An ASCII field of the text and its zero byte, in the entry itself when
// they are four bytes or fewer.
Field AsciiField(std::uint16_t tag, const std::string& text);
// Directories one after the other, each with a zero next-directory offset,
// then the data of their fields, as if the first directory stood at offset
// `at` of whatever the offsets count from.
Bytes DirectoriesAt(Order order, std::uint32_t at,
                    const std::vector<std::vector<Field>>& directories);

// Another maker's file: a TIFF structure whose main directory holds Make
// (unless empty), Model and `main`, whose Exif directory holds `exif` and
// the maker note: the bytes `note` at offset kMakerNoteAt, its size the
// note's length unless `note_size` is given.
constexpr std::uint32_t kMakerNoteAt = 0x400;
struct MakerFile {
  std::string make;
  std::string model;
  Bytes note;
  std::vector<Field> main = {};
  std::vector<Field> exif = {};
  std::optional<std::uint32_t> note_size = std::nullopt;
};
Bytes MakerTiff(Order order, const MakerFile& file);
// A maker note: `header`, then a directory of the fields and their data.
// Its offsets count from `origin` bytes before the note (kMakerNoteAt: from
// the TIFF header; 0: from the note; -10: from a header at byte 10).
Bytes MakerNote(Order order, const Bytes& header, const std::vector<Field>& fields,
                std::int32_t origin);
// The same with several directories one after the other, whose fields may
// link to each other (Olympus's sub-directories).
Bytes MakerNoteOf(Order order, const Bytes& header,
                  const std::vector<std::vector<Field>>& directories, std::int32_t origin);
// Nikon's note: "Nikon" 00 02 10 00 00, a TIFF header of its own in the
// order given, the directory after it; offsets from that header.
Bytes NikonNote(Order order, const std::vector<Field>& fields);
// The 8 bytes Canon ends its note with: "II" 2A 00 or "MM" 00 2A, then the
// note's offset from the TIFF header where the camera wrote it.
Bytes CanonFooter(Order order, std::uint32_t written_at);

// IFD0's DNGPrivateData (tag 0xC634) of these bytes.
Field DngPrivateData(const Bytes& data);
// Adobe's form: "Adobe" 00, then records of a type, a big-endian size and
// their bytes, each padded to an even length.
Bytes AdobePrivateData(const std::vector<std::pair<std::string, Bytes>>& records);
// The record "MakN": the note's byte order, its offset in the raw file it
// came from (big-endian), then the note; with `long_header` twelve more
// bytes before the note, beginning 00 00 00 01.
Bytes MakerNoteRecord(Order note_order, std::uint32_t original_offset, const Bytes& note,
                      bool long_header = false);

// A camera-info record (maker-note tag 0x000D) of `size` bytes, zeros but
// for a 32-bit number at byte `at`, where it fits.
struct CameraInfo {
  std::uint32_t size;
  std::uint32_t at;
  std::uint32_t value;
};

// What a camera writes into its maker note, and the Exif body serial.
struct CanonRecord {
  std::string model = "Canon EOS-1D Mark II";
  std::string firmware = "Firmware Version 1.2.3";
  std::string owner = "Erika Mustermann";
  std::optional<std::uint32_t> serial = 301234;
  std::optional<std::uint32_t> model_id = 0x80000174;  // the EOS-1D Mark II
  // w0 the record's length, w1 and w2 the exposure counter (high word
  // first: 2 * 65536 + 4321 = 135393), w6 the RAW+JPEG quality (65535: raw
  // only).
  std::array<std::uint16_t, 9> counter = {18, 2, 4321, 0, 0, 0, 65535, 0, 0};
  std::optional<CameraInfo> camera_info;
  std::string body_serial;  // Exif tag 0xA431; empty: none
};

// An EOS R5's record: its count (12260) in the camera-info record, and the
// body serial number instead of a maker-note serial.
CanonRecord EosR5Record();

// A TIFF file as the camera writes it: the main directory points at the
// Exif directory, which points at the maker note. Offsets count from the
// header, which sits at position 0 of the result.
Bytes CanonTiff(Order order, const CanonRecord& record = CanonRecord{});

// The directories a camera writes: the main one, the Exif one and the maker
// note, as fields whose data follow the directories.
struct CanonDirectories {
  std::vector<Field> main;
  std::vector<Field> exif;
  std::vector<Field> maker_note;
};
CanonDirectories CanonTiffDirectories(Order order, const CanonRecord& record = CanonRecord{});
// The header at 0, the directories one after the other from 8, then the
// data of their fields. Offsets count from the header.
Bytes TiffOf(Order order, const std::vector<std::vector<Field>>& directories);

// A CR3 file: ftyp "crx ", then moov holding `before` and Canon's uuid box
// with these boxes in it, then an mdat box.
Bytes Cr3Of(const std::vector<Bytes>& in_canon_box, const Bytes& before = Bytes());
// The same with CNCV, then CMT1, CMT2 and CMT3, each a TIFF structure in the
// given byte order holding the main directory, the Exif directory and the
// maker note.
Bytes Cr3(Order order, const CanonRecord& record = CanonRecord{}, const Bytes& before = Bytes());

// How a HEIF file lists and locates its Exif item (item 2).
struct HeifLayout {
  std::uint8_t iloc_version = 1;  // 0, 1 or 2
  bool in_idat = false;           // construction method 1, else 0 (in the file)
  std::uint8_t field_size = 4;    // bytes of iloc's offset and length fields: 4 or 8
  std::uint8_t iinf_version = 0;  // 0: a 16-bit entry count, 1: a 32-bit one
  bool coded_image = true;        // a coded image, item 1, listed and located first
  // Two entries of version 0 for item 1 instead, whose names read "Exif"
  // where a version 2 or 3 entry's item type would stand.
  bool decoy_infe = false;
  std::uint32_t located_before = 0;  // items only iloc lists, before the Exif item
  // The Exif item's offset (base 0), in the file or in idat, instead of
  // where the builder puts it; in the file, the caller writes the item.
  std::optional<std::uint64_t> exif_offset = std::nullopt;
  Bytes in_meta_after = Bytes();  // boxes in meta after iinf, iloc and idat
};
// A HEIF file: ftyp "heix", meta with iinf, iloc (and idat), then the Exif
// item in an mdat box.
Bytes Heif(Order order, const CanonRecord& record = CanonRecord{}, const HeifLayout& layout = {});
// The Exif item: a 32-bit length 6, "Exif" 00 00, and the camera's TIFF
// structure.
Bytes HeifExifItem(Order order, const CanonRecord& record = CanonRecord{});

// An ISO base media box: big-endian 32-bit size, type, payload.
Bytes Box(const std::string& type, const Bytes& payload);

// A CIFF record: data in a heap of its own (a sub-heap, when it has
// children), or, for tags with bit 14 set, up to 8 bytes in the record.
struct CiffRecord {
  std::uint16_t tag;
  std::vector<std::uint8_t> data = {};
  std::vector<CiffRecord> children = {};
  std::uint32_t size_past = 0;  // added to the size written, for crafted files
};
// Byte order, header length 26, "HEAPCCDR", version, then the root heap:
// each record's data in order, the directory, and its offset at the end.
Bytes CiffWithHeap(Order order, const std::vector<CiffRecord>& root);
// The bytes of a 32-bit number in the order, for CIFF record data.
std::vector<std::uint8_t> U32Bytes(Order order, std::uint32_t value);

// FF D8, an optional 16-byte APP0 segment, then APP1 with "Exif" 00 00 and
// the TIFF structure. The TIFF header lands at 12, or 30 after APP0.
Bytes Jpeg(const Bytes& tiff, bool with_app0);
// A TIFF structure whose number after the marks is not 42: Olympus's ORF
// ("RO", "RS") and Panasonic's RW2 (0x55) raw files.
Bytes WithTiffMagic(const Bytes& tiff, std::uint16_t magic);
// Fujifilm's RAF: "FUJIFILMCCD-RAW ", the version, the camera, then at 84
// the JPEG's offset and at 88 its length (big-endian), the JPEG at 0x94;
// `offset` and `length` override what is written there.
Bytes Raf(const Bytes& jpeg, std::optional<std::uint32_t> offset = std::nullopt,
          std::optional<std::uint32_t> length = std::nullopt);

// Minolta's MRW: "\0MRM", the length of the blocks (`blocks_length` where
// given), then the blocks, each its name, a big-endian length (`length`
// where given) and its content.
struct MrwBlock {
  std::string name;
  Bytes content;
  std::optional<std::uint32_t> length = std::nullopt;
};
Bytes Mrw(const std::vector<MrwBlock>& blocks,
          std::optional<std::uint32_t> blocks_length = std::nullopt);
// The TTW block as the camera writes it: a TIFF structure of Make and
// Model, offsets from the block's first byte.
MrwBlock MrwTiffBlock(const std::string& model);

// Sigma's X3F, little-endian: "FOVb" and a header up to kX3fSections, the
// sections one after the other, then the section directory ("SECd",
// version, count, then each section's offset, length and type) and its
// offset in the file's last four bytes.
constexpr std::uint32_t kX3fSections = 0x40;
Bytes X3f(const std::vector<std::pair<std::string, Bytes>>& sections);
// The PROP section: "SECp", version, the number of entries, character
// format 0, four reserved bytes, the strings' length in characters; the
// entries' character offsets of name and value; the strings in UTF-16, each
// with its zero character.
Bytes X3fProperties(const std::vector<std::pair<std::string, std::string>>& properties);
// Where the PROP section's numbers stand, from its first byte.
constexpr std::uint32_t kX3fPropertyCountAt = 8;
constexpr std::uint32_t kX3fCharsAt = 20;
constexpr std::uint32_t kX3fPairsAt = 24;

// Phase One's maker note: "IIII" or "MMMM", "RawC" as Phase One writes it,
// the directory's offset from the note's start (`directory_at` where
// given), then the directory: its entry count (`count` where given), four
// reserved bytes and 16-byte entries (tag, type, size, value), the texts'
// bytes after it.
struct PhaseOneEntry {
  std::uint32_t tag;
  std::string text;  // with its zero byte where the size counts it
};
Bytes PhaseOneNote(Order order, const std::vector<PhaseOneEntry>& entries,
                   std::optional<std::uint32_t> directory_at = std::nullopt,
                   std::optional<std::uint32_t> count = std::nullopt);

// A JPEG segment: its marker and payload, its length filled in.
struct Segment {
  std::uint16_t marker;
  Bytes payload;
};
// FF D8, these segments, then APP1 with "Exif" 00 00 and the TIFF structure.
Bytes JpegAfter(const std::vector<Segment>& before, const Bytes& tiff);

// A CIFF file of the given size: byte order, header length, "HEAPCCDR";
// the last eight bytes hold the anchor value (before the header length is
// added), and the serial number and exposure count sit at their distances
// from the anchor.
Bytes Ciff(Order order, std::size_t size, std::uint32_t anchor_value, std::uint32_t serial,
           std::uint16_t exposures);

// A folder of its own under the system's temporary folder, removed again.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::filesystem::path Write(const std::string& name, const Bytes& bytes) const;
  std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& b) const;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes bytes at an offset of an existing file, which grows (sparsely, where
// the file system allows) to reach it.
void WriteAt(const std::filesystem::path& path, std::uint64_t offset, const Bytes& bytes);

// The name of a path as the reader takes it (UTF-16 on Windows).
camerafile::TFileName NameOf(const std::filesystem::path& path);

struct RunResult {
  int status = -1;
  std::string out;  // standard output, line ends normalised to "\n"
};

// Runs the built program with these arguments and standard input at its end.
RunResult RunAuslomat(const std::vector<std::filesystem::path>& args);

// The built program on one file, with standard input a pipe held open, as a
// console is until the user presses Return.
class RunningAuslomat {
 public:
  explicit RunningAuslomat(const std::filesystem::path& file);
  ~RunningAuslomat();  // ends the program if it still runs
  RunningAuslomat(const RunningAuslomat&) = delete;
  RunningAuslomat& operator=(const RunningAuslomat&) = delete;

  // Standard output so far, read until it ends with `tail` (10 s at most).
  std::string ReadUntil(const std::string& tail);
  bool Running();
  // Whether the program holds this file open.
  bool HoldsOpen(const std::filesystem::path& file);
  void Type(const std::string& keys);
  int Wait();  // the exit status, -1 if it did not end within 10 s

 private:
#ifdef _WIN32
  void* process_ = nullptr;
  void* to_ = nullptr;
  void* from_ = nullptr;
#else
  int pid_ = -1;
  int status_ = -1;
  int to_ = -1;
  int from_ = -1;
#endif
};

// The bytes of a file, for comparisons.
std::string Slurp(const std::filesystem::path& path);

}  // namespace testfile
