#include "camerafile/data_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace camerafile {
namespace {

// The only platform-specific code of the reader: opening by name and 64-bit
// seeking (long is 32 bits wide on Windows, also in the 64-bit build).
#ifdef _WIN32
std::FILE* OpenForReading(const std::string& name) {
  // Names arrive as UTF-8 so that any name the user can drop onto the
  // program opens, whatever the ANSI code page.
  if (name.empty() || name.size() > static_cast<std::size_t>(INT32_MAX)) return nullptr;
  const int length = static_cast<int>(name.size());
  const int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), length, nullptr, 0);
  if (wide_length <= 0) return nullptr;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), length, wide.data(), wide_length);
  // Only regular files: opening a pipe or a device could wait for ever.
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::path(wide), error)) return nullptr;
  return _wfopen(wide.c_str(), L"rb");
}
bool SeekTo(std::FILE* f, FileOffset offset) {
  return _fseeki64(f, offset, SEEK_SET) == 0;
}
FileOffset SizeOf(std::FILE* f) {
  if (_fseeki64(f, 0, SEEK_END) != 0) return 0;
  const FileOffset size = _ftelli64(f);
  return size < 0 ? 0 : size;
}
#else
std::FILE* OpenForReading(const std::string& name) {
  // Only regular files: opening a pipe or a device could wait for ever.
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return nullptr;
  return std::fopen(name.c_str(), "rb");
}
bool SeekTo(std::FILE* f, FileOffset offset) {
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}
FileOffset SizeOf(std::FILE* f) {
  if (fseeko(f, 0, SEEK_END) != 0) return 0;
  const FileOffset size = ftello(f);
  return size < 0 ? 0 : size;
}
#endif

}  // namespace

bool TDataFile::Open(const std::string& name) {
  Close();
  handle_ = OpenForReading(name);
  if (handle_ == nullptr) return false;
  // The block cache is the only buffer; stdio's own would copy twice.
  std::setvbuf(handle_, nullptr, _IONBF, 0);
  size_ = SizeOf(handle_);
  position_ = 0;
  bytes_read_ = 0;
  fetches_ = 0;
  for (Block& block : cache_) block.start = -1;
  return true;
}

void TDataFile::Close() {
  if (handle_ != nullptr) std::fclose(handle_);
  handle_ = nullptr;
  size_ = 0;
  position_ = 0;
}

const TDataFile::Block& TDataFile::Fetch(FileOffset block_start) {
  const auto index = static_cast<std::size_t>(block_start / static_cast<FileOffset>(kBlockSize));
  Block& block = cache_[index % kCacheBlocks];
  if (block.start == block_start) return block;
  // Over budget: nothing more is read, and the blocks already here stay.
  static const Block kNothing{};
  if (fetches_ == kFetchBudget) return kNothing;
  ++fetches_;
  block.start = block_start;
  block.length = 0;
  if (SeekTo(handle_, block_start)) {
    const FileOffset available = size_ - block_start;
    const std::size_t wanted = available < static_cast<FileOffset>(kBlockSize)
                                   ? static_cast<std::size_t>(available)
                                   : kBlockSize;
    block.length = std::fread(block.bytes.data(), 1, wanted, handle_);
    bytes_read_ += block.length;
  }
  return block;
}

void TDataFile::Read(std::uint8_t* out, std::size_t count) {
  std::memset(out, 0, count);
  // Every comparison is between 64-bit offsets; count is small (at most a
  // few hundred bytes), so position_ + count cannot overflow.
  const FileOffset origin = position_;
  const FileOffset end = origin + static_cast<FileOffset>(count);
  position_ = end;
  if (handle_ == nullptr) return;
  const FileOffset to = std::min<FileOffset>(end, size_);
  for (FileOffset at = std::max<FileOffset>(origin, 0); at < to;) {
    const FileOffset block_start = at - at % static_cast<FileOffset>(kBlockSize);
    const Block& block = Fetch(block_start);
    const FileOffset block_end = block_start + static_cast<FileOffset>(block.length);
    if (at >= block_end) return;  // over budget, or the file shrank: the rest stays zero
    const FileOffset stop = std::min(to, block_end);
    std::memcpy(out + (at - origin), block.bytes.data() + (at - block_start),
                static_cast<std::size_t>(stop - at));
    at = stop;
  }
}

}  // namespace camerafile
