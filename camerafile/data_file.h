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
// of a large file. The first fetch takes the file's first 32 KiB at once,
// eight blocks of the budget: what a camera file's reading needs lies there
// for most files, and the web page reads the same first, so that it never
// reads more than the reader fetches. Camera files need one or two more.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace camerafile {

// Signed 64-bit count of bytes from the start of the file.
using FileOffset = std::int64_t;

// A file's name as the platform hands it over: UTF-16 on Windows, passed on
// unchanged (a round trip through UTF-8 would lose unpaired surrogates), and
// the bytes of the name elsewhere.
#ifdef _WIN32
using TFileName = std::wstring;
#else
using TFileName = std::string;
#endif

// The extended-length form of a full Windows path ("\\?\C:\...",
// "\\?\UNC\server\share\..."), so that names of 260 characters and more
// open; unchanged when already in that form. Empty for device names
// ("\\.\NUL", "\\.\COM1"), which are never opened. Pure, so that it can be
// checked on any platform.
std::wstring ExtendedLengthName(const std::wstring& full_path);

class TDataFile {
 public:
  TDataFile();
  ~TDataFile() { Close(); }
  TDataFile(const TDataFile&) = delete;
  TDataFile& operator=(const TDataFile&) = delete;

  // Opens the file for reading, position 0, without blocking, and keeps it
  // only if it is a regular file: pipes, folders and devices could make a
  // read wait for ever. What was opened is checked, not the name, so a name
  // swapped in between changes nothing. Other programs may go on reading,
  // writing, renaming or deleting the file meanwhile. Returns false when the
  // file cannot be opened or is not a regular file.
  bool Open(const TFileName& name);
  void Close();
  bool IsOpen() const { return handle_ != kNoHandle; }

  FileOffset Position() const { return position_; }
  void Seek(FileOffset offset) { position_ = offset; }
  FileOffset Size() const { return size_; }

  // From now on the file is the `size` bytes at `begin` of what is open
  // (cut at its end): positions count from `begin`, Size() is theirs, and
  // bytes outside them read as zero. For a file kept inside another (a
  // RAF's JPEG). The read budget goes on.
  void Narrow(FileOffset begin, FileOffset size);

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
  // The first fetch: the blocks at the file's start, one slot each.
  static constexpr std::size_t kFirstFetchBlocks = kCacheBlocks;
  // 64 KiB: the Exif segment of a JPEG is at most that long, and the
  // directories of a raw file lie in a few blocks.
  static constexpr std::uint32_t kFetchBudget = 16;

  struct Slot {
    FileOffset start = -1;  // -1: empty
    std::size_t length = 0;
  };
  struct Fetched {
    const std::uint8_t* bytes;
    std::size_t length;  // 0 past the budget
  };
  Fetched Fetch(FileOffset block_start);
  // The first kFirstFetchBlocks blocks, in one read.
  Fetched FetchFirst();
  // What is open is all of a file of this size, position 0.
  void Begin(FileOffset file_size);

#ifdef _WIN32
  using Handle = void*;  // HANDLE
  static constexpr Handle kNoHandle = nullptr;
#else
  using Handle = int;  // file descriptor
  static constexpr Handle kNoHandle = -1;
#endif
  Handle handle_ = kNoHandle;
  FileOffset file_size_ = 0;  // of what is open
  FileOffset origin_ = 0;     // where position 0 is in it
  FileOffset size_ = 0;       // from origin_ on
  FileOffset position_ = 0;
  std::uint64_t bytes_read_ = 0;
  std::uint32_t fetches_ = 0;
  std::array<Slot, kCacheBlocks> slots_{};
  // Left uninitialised, apart from the slots: only the pages of blocks that
  // are fetched are ever touched, and page faults are most of what the
  // program's start costs.
  // Slot k's bytes at kBlockSize * k: the first fetch fills them in one read.
  std::array<std::uint8_t, kBlockSize * kCacheBlocks> blocks_;
};

}  // namespace camerafile
