// Read-only, bounds-owning access to the bytes of one file.
//
// End-of-file contract: a read of bytes outside [0, Size()) (past the end or
// before the start) yields zero bytes, still advances the position by the
// number of bytes asked for, never blocks and never fails. Nothing is ever
// written to the file.
//
// Read budget: the file is fetched in 4 KiB blocks, at most kFetchBudget of
// them per Open. Bytes in blocks past the budget read as zero too, as if the
// file ended there, so that no crafted file can make one analysis read much
// of a large file. Camera files need a handful of blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace camerafile {

// Signed 64-bit count of bytes from the start of the file.
using FileOffset = std::int64_t;

class TDataFile {
 public:
  TDataFile() = default;
  ~TDataFile() { Close(); }
  TDataFile(const TDataFile&) = delete;
  TDataFile& operator=(const TDataFile&) = delete;

  // Opens the file for reading, position 0. The name is UTF-8 on Windows,
  // the bytes of the name elsewhere. Returns false when it cannot be opened.
  bool Open(const std::string& name);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

  FileOffset Position() const { return position_; }
  void Seek(FileOffset offset) { position_ = offset; }
  FileOffset Size() const { return size_; }

  // Copies count bytes at the current position into out (zeros outside the
  // file) and advances the position by count.
  void Read(std::uint8_t* out, std::size_t count);
  std::uint8_t ReadByte() {
    std::uint8_t b = 0;
    Read(&b, 1);
    return b;
  }

  // Bytes fetched from the file since it was opened (for the benchmark).
  std::uint64_t BytesRead() const { return bytes_read_; }

 private:
  // Directories, strings and counter words of a camera file lie close
  // together; a few 4 KiB blocks hold what one analysis reads, and a
  // 25 MiB raw file costs only the blocks near its start.
  static constexpr std::size_t kBlockSize = 4096;
  static constexpr std::size_t kCacheBlocks = 8;
  // 64 KiB: the Exif segment of a JPEG is at most that long, and the
  // directories of a raw file lie in a few blocks.
  static constexpr std::uint32_t kFetchBudget = 16;

  struct Block {
    FileOffset start = -1;  // -1: slot empty
    std::size_t length = 0;
    std::array<std::uint8_t, kBlockSize> bytes{};
  };

  const Block& Fetch(FileOffset block_start);

  std::FILE* handle_ = nullptr;
  FileOffset size_ = 0;
  FileOffset position_ = 0;
  std::uint64_t bytes_read_ = 0;
  std::uint32_t fetches_ = 0;
  std::array<Block, kCacheBlocks> cache_{};
};

}  // namespace camerafile
