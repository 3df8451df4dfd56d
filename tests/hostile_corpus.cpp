#include "tests/hostile_corpus.h"

namespace testfile {
namespace {

constexpr std::uint32_t kBlock = 4096;  // the reader's block size: one fetch each

// A little-endian TIFF whose only directory has these entries.
Bytes TiffWithEntries(const std::vector<Entry>& entries, std::uint32_t next = 0) {
  Bytes out = TiffHeader(Order::kLittle, 8);
  AppendDirectory(out, entries, next);
  return out;
}

Bytes StringWithoutZeroByte() {
  Bytes out = TiffWithEntries({{kTagModel, kAscii, 64, 64}, {kTagOwner, kAscii, 64, 65}});
  out.PadTo(64).Text(std::string(4u << 20, 'x'));
  return out;
}

Bytes DirectoryPastTheEnd() {
  Bytes out = TiffHeader(Order::kLittle, 8);
  out.U16(65535).U16(kTagSerial).U16(kLong).U32(1).U32(7);
  return out;
}

// Directories of no entries are six bytes each: a few MiB hold hundreds of
// thousands, chained one after the other.
Bytes LongChainOfSmallDirectories() {
  constexpr std::uint32_t kDirectories = 300000;
  Bytes out = TiffHeader(Order::kLittle, 8);
  for (std::uint32_t i = 0; i < kDirectories; ++i) {
    AppendDirectory(out, {}, i + 1 < kDirectories ? 8 + 6 * (i + 1) : 0);
  }
  return out;
}

// Directories one block apart, so that each costs a fetch from the file.
Bytes LongChainOfDistantDirectories() {
  constexpr std::uint32_t kDirectories = 4096;
  Bytes out = TiffHeader(Order::kLittle, kBlock);
  for (std::uint32_t i = 1; i <= kDirectories; ++i) {
    out.PadTo(i * kBlock);
    AppendDirectory(out, {{kTagSerial, kLong, 1, i}}, (i + 1) * kBlock);
  }
  return out;
}

// Large directories chained one after the other, more of them and larger
// than any camera file has.
Bytes ChainOfLargeDirectories() {
  constexpr std::uint32_t kDirectories = 100;
  constexpr std::uint32_t kEntries = 1100;
  constexpr std::uint32_t kSpan = 2 + 12 * kEntries + 4;
  Bytes out = TiffHeader(Order::kLittle, 8);
  for (std::uint32_t i = 0; i < kDirectories; ++i) {
    const std::vector<Entry> entries(kEntries, Entry{kTagSerial, kLong, 1, i});
    AppendDirectory(out, entries, i + 1 < kDirectories ? 8 + (i + 1) * kSpan : 0);
  }
  return out;
}

// Directories at odd and overlapping offsets that point into each other,
// and Exif and maker-note pointers back to the first directory.
Bytes OverlappingDirectories() {
  Bytes out = TiffHeader(Order::kLittle, 8);
  AppendDirectory(out, {{kTagExif, kLong, 1, 8}, {kTagMakerNote, kUndefined, 1, 9}}, 9);
  out.PadTo(64);
  out.PutU32At(8 + 2 + 24, 11);  // next of the first directory: into its own entries
  return out;
}

// The most entries a directory can hold, each pointing at a string or at the
// exposure-count words in a block of its own.
Bytes EntriesPointingAtStrings() {
  constexpr std::uint32_t kEntries = 65535;
  constexpr std::uint16_t kTags[] = {kTagModel, kTagFirmware, kTagOwner, kTagCounter};
  std::vector<Entry> entries;
  const std::uint32_t data = 8 + 2 + 12 * kEntries + 4;
  for (std::uint32_t i = 0; i < kEntries; ++i) {
    const std::uint16_t tag = kTags[i % 4];
    entries.push_back({tag, tag == kTagCounter ? kShort : kAscii, 64, data + (i % 1024) * kBlock});
  }
  Bytes out = TiffWithEntries(entries);
  for (std::uint32_t i = 0; i < 1024; ++i) out.PadTo(data + i * kBlock).Text(std::string(300, 'y'));
  return out;
}

// Offsets that reach past 2^32 once the JPEG's TiffBase of 12 is added.
Bytes OffsetsNear2To32() {
  return Jpeg(TiffWithEntries({{kTagExif, kLong, 1, 0xFFFFFFFFu},
                               {kTagMakerNote, kUndefined, 1, 0xFFFFFFFEu},
                               {kTagFirmware, kAscii, 0xFFFFFFFFu, 0xFFFFFFF0u},
                               {kTagCounter, kShort, 9, 0xFFFFFFF9u}},
                              0xFFFFFFFFu),
              false);
}

Bytes CiffAnchorOutsideTheFile() {
  Bytes out = Ciff(Order::kLittle, 900, 100, 1, 2);
  out.PutU32At(892, 0xFFFFFFFFu);
  return out;
}

Bytes JpegApp0Length(std::uint32_t length) {
  Bytes out;
  out.U16(0xFFD8).U16(0xFFE0).U16(length).Zeros(length < 40 ? 40 - length : 0);
  return out;
}

}  // namespace

std::vector<HostileCase> HostileCorpus() {
  std::vector<HostileCase> corpus = {
      {"string-without-zero-byte", StringWithoutZeroByte()},
      {"directory-past-the-end", DirectoryPastTheEnd()},
      {"long-chain-of-small-directories", LongChainOfSmallDirectories()},
      {"long-chain-of-distant-directories", LongChainOfDistantDirectories()},
      {"chain-of-large-directories", ChainOfLargeDirectories()},
      {"overlapping-directories", OverlappingDirectories()},
      {"entries-pointing-at-strings", EntriesPointingAtStrings()},
      {"offsets-near-2-to-32", OffsetsNear2To32()},
      {"ciff-anchor-outside-the-file", CiffAnchorOutsideTheFile()},
      {"jpeg-app0-length-0", JpegApp0Length(0)},
      {"jpeg-app0-length-1", JpegApp0Length(1)},
      {"jpeg-app0-length-past-the-end", JpegApp0Length(0xFFFF)},
  };
  // Every prefix of 0 to 13 bytes of each signature.
  const Bytes signatures[] = {CanonTiff(Order::kBig), CanonTiff(Order::kLittle),
                              Ciff(Order::kLittle, 900, 100, 1, 2),
                              Jpeg(CanonTiff(Order::kLittle), true)};
  const char* const kinds[] = {"tiff-mm", "tiff-ii", "ciff", "jpeg"};
  for (std::size_t s = 0; s < 4; ++s) {
    for (std::size_t length = 0; length <= 13; ++length) {
      Bytes prefix;
      for (std::size_t i = 0; i < length; ++i) prefix.U8(signatures[s].data()[i]);
      corpus.push_back({std::string("short-") + kinds[s] + "-" + std::to_string(length), prefix});
    }
  }
  return corpus;
}

}  // namespace testfile
