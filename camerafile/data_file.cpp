#include "camerafile/data_file.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#ifdef _WIN32
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
// In the browser the page reads the dropped file and hands its bytes over;
// the page's script provides these two (web/file_blocks.js, web/reader.js).
extern "C" {
// Size in bytes of the file under analysis; negative when there is none.
double AuslomatWebFileSize(void);
// Copies the bytes at offset into out and returns how many: fewer, down to
// 0, where the page has not handed them over (yet) or could not read them.
// The page then reads the block and runs the reader again.
std::size_t AuslomatWebRead(double offset, std::uint8_t* out, std::size_t count);
}
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace camerafile {

std::wstring ExtendedLengthName(const std::wstring& full_path) {
  const auto starts_with = [&](const wchar_t* prefix) {
    return full_path.compare(0, std::wcslen(prefix), prefix) == 0;
  };
  if (starts_with(L"\\\\?\\")) return full_path;       // already extended
  if (starts_with(L"\\\\.\\")) return std::wstring();  // a device, not a file
  if (starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full_path.substr(2);
  if (full_path.size() >= 3 && full_path[1] == L':' && full_path[2] == L'\\') {
    return L"\\\\?\\" + full_path;
  }
  return full_path;  // no full path: left as it is
}

namespace {

// The platform seam: opening by name, reading at an offset, closing.
#ifdef _WIN32
bool OpenNative(const std::wstring& name, HANDLE* handle, FileOffset* size) {
  if (name.empty()) return false;
  // The full path in its extended-length form opens names of any length;
  // it also shows legacy device names ("NUL", "C:\x\COM1") for what they are.
  const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return false;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return false;
  full.resize(length);
  const std::wstring path = ExtendedLengthName(full);
  if (path.empty()) return false;
  // Sharing everything: the camera software or Explorer is never locked out.
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  LARGE_INTEGER bytes{};
  const bool regular =
      GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
      GetFileSizeEx(h, &bytes) && bytes.QuadPart >= 0;
  if (!regular) {
    CloseHandle(h);
    return false;
  }
  *handle = h;
  *size = bytes.QuadPart;
  return true;
}

std::size_t ReadNative(HANDLE handle, FileOffset offset, std::uint8_t* out, std::size_t count) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD got = 0;
  if (!ReadFile(handle, out, static_cast<DWORD>(count), &got, &at)) return 0;
  return got;
}

void CloseNative(HANDLE handle) {
  CloseHandle(handle);
}
#elif defined(__EMSCRIPTEN__)
// The page holds the one file under analysis; there is no name to open.
bool OpenNative(const std::string& /*name*/, int* handle, FileOffset* size) {
  const double bytes = AuslomatWebFileSize();
  if (!(bytes >= 0)) return false;
  *handle = 0;
  *size = static_cast<FileOffset>(bytes);
  return true;
}

std::size_t ReadNative(int /*handle*/, FileOffset offset, std::uint8_t* out, std::size_t count) {
  return AuslomatWebRead(static_cast<double>(offset), out, count);
}

void CloseNative(int /*handle*/) {}
#else
bool OpenNative(const std::string& name, int* handle, FileOffset* size) {
  // O_NONBLOCK: opening a pipe without a writer, or a device, returns at once.
  const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    close(fd);
    return false;
  }
  *handle = fd;
  *size = static_cast<FileOffset>(info.st_size);
  return true;
}

std::size_t ReadNative(int handle, FileOffset offset, std::uint8_t* out, std::size_t count) {
  std::size_t got = 0;
  while (got < count) {
    const ssize_t n =
        pread(handle, out + got, count - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank, or a read error: the rest stays zero
    got += static_cast<std::size_t>(n);
  }
  return got;
}

void CloseNative(int handle) {
  close(handle);
}
#endif

}  // namespace

// User-provided, so that even a value-initialised record leaves the block
// bytes untouched.
TDataFile::TDataFile() {}  // NOLINT(modernize-use-equals-default)

bool TDataFile::Open(const TFileName& name) {
  Close();
  Handle handle = kNoHandle;
  FileOffset size = 0;
  if (!OpenNative(name, &handle, &size)) return false;
  handle_ = handle;
  Begin(size);
  bytes_read_ = 0;
  fetches_ = 0;
  slots_.fill(Slot{});
  return true;
}

void TDataFile::Close() {
  if (handle_ != kNoHandle) CloseNative(handle_);
  handle_ = kNoHandle;
  Begin(0);
}

void TDataFile::Begin(FileOffset file_size) {
  // A file narrowed to the one inside it is the whole file again.
  file_size_ = file_size;
  origin_ = 0;
  size_ = file_size;
  position_ = 0;
}

void TDataFile::Narrow(FileOffset begin, FileOffset size) {
  const FileOffset in_file = std::clamp<FileOffset>(origin_ + begin, 0, file_size_);
  origin_ = in_file;
  size_ = std::clamp<FileOffset>(size, 0, file_size_ - in_file);
  position_ = 0;
}

TDataFile::Fetched TDataFile::Fetch(FileOffset block_start) {
  if (fetches_ == 0 && block_start == 0) return FetchFirst();
  const auto index =
      static_cast<std::size_t>(block_start / static_cast<FileOffset>(kBlockSize)) % kCacheBlocks;
  Slot& slot = slots_[index];
  std::uint8_t* bytes = blocks_.data() + kBlockSize * index;
  if (slot.start == block_start) return {bytes, slot.length};
  // Over budget: nothing more is read, and the blocks already here stay.
  if (fetches_ == kFetchBudget) return {bytes, 0};
  ++fetches_;
  const FileOffset available = file_size_ - block_start;
  const std::size_t wanted = available < static_cast<FileOffset>(kBlockSize)
                                 ? static_cast<std::size_t>(available)
                                 : kBlockSize;
  slot.start = block_start;
  slot.length = ReadNative(handle_, block_start, bytes, wanted);
  bytes_read_ += slot.length;
  return {bytes, slot.length};
}

TDataFile::Fetched TDataFile::FetchFirst() {
  constexpr auto kFirstBytes = static_cast<FileOffset>(kBlockSize * kFirstFetchBlocks);
  const auto wanted = static_cast<std::size_t>(std::min(file_size_, kFirstBytes));
  const std::size_t got = ReadNative(handle_, 0, blocks_.data(), wanted);
  bytes_read_ += got;
  // Each block the read was for counts against the budget, read or not.
  for (std::size_t k = 0; k * kBlockSize < wanted; ++k) {
    ++fetches_;
    const std::size_t begin = k * kBlockSize;
    slots_[k] =
        Slot{static_cast<FileOffset>(begin), got > begin ? std::min(got - begin, kBlockSize) : 0};
  }
  return {blocks_.data(), slots_[0].length};
}

void TDataFile::Read(std::uint8_t* out, std::size_t count) {
  std::memset(out, 0, count);
  // Every comparison is between 64-bit offsets; count is small (at most a
  // few hundred bytes), so position_ + count cannot overflow.
  const FileOffset origin = position_;
  const FileOffset end = origin + static_cast<FileOffset>(count);
  position_ = end;
  if (handle_ == kNoHandle) return;
  // `at` and `to` count from origin_, the blocks from the file's start.
  const FileOffset to = std::min<FileOffset>(end, size_);
  for (FileOffset at = std::max<FileOffset>(origin, 0); at < to;) {
    const FileOffset in_file = origin_ + at;
    const FileOffset block_start = in_file - in_file % static_cast<FileOffset>(kBlockSize);
    const Fetched block = Fetch(block_start);
    const FileOffset block_end = block_start + static_cast<FileOffset>(block.length) - origin_;
    if (at >= block_end) return;  // over budget, or the file shrank: the rest stays zero
    const FileOffset stop = std::min(to, block_end);
    std::memcpy(out + (at - origin), block.bytes + (in_file - block_start),
                static_cast<std::size_t>(stop - at));
    at = stop;
  }
}

}  // namespace camerafile
