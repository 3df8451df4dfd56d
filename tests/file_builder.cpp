#include "tests/file_builder.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

namespace testfile {

Bytes& Bytes::U8(std::uint32_t v) {
  data_.push_back(static_cast<std::uint8_t>(v & 0xFF));
  return *this;
}

Bytes& Bytes::U16(std::uint32_t v) {
  if (order_ == Order::kLittle) return U8(v).U8(v >> 8);
  return U8(v >> 8).U8(v);
}

Bytes& Bytes::U32(std::uint32_t v) {
  if (order_ == Order::kLittle) return U16(v).U16(v >> 16);
  return U16(v >> 16).U16(v);
}

Bytes& Bytes::Words(std::initializer_list<std::uint16_t> words) {
  for (std::uint16_t w : words) U16(w);
  return *this;
}

Bytes& Bytes::Text(const std::string& text) {
  for (char c : text) data_.push_back(static_cast<std::uint8_t>(c));
  return *this;
}

Bytes& Bytes::Zeros(std::size_t count) {
  data_.resize(data_.size() + count, 0);
  return *this;
}

Bytes& Bytes::Append(const Bytes& other) {
  data_.insert(data_.end(), other.data_.begin(), other.data_.end());
  return *this;
}

Bytes& Bytes::PadTo(std::size_t size) {
  if (data_.size() < size) data_.resize(size, 0);
  return *this;
}

void Bytes::PutU32At(std::size_t at, std::uint32_t v) {
  Bytes word(order_);
  word.U32(v);
  PadTo(at + 4);
  std::copy(word.data_.begin(), word.data_.end(), data_.begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes TiffHeader(Order order, std::uint32_t first_directory) {
  Bytes out(order);
  out.Text(order == Order::kLittle ? "II" : "MM").U16(42).U32(first_directory);
  return out;
}

void AppendDirectory(Bytes& out, const std::vector<Entry>& entries, std::uint32_t next) {
  out.U16(static_cast<std::uint32_t>(entries.size()));
  for (const Entry& e : entries) out.U16(e.tag).U16(e.type).U32(e.count).U32(e.value);
  out.U32(next);
}

namespace {

std::uint32_t DirectorySize(std::size_t entries) {
  return static_cast<std::uint32_t>(2 + 12 * entries + 4);
}

// Canon keeps its strings in fixed fields of at least 32 bytes.
std::uint32_t FieldSize(const std::string& text) {
  return std::max<std::uint32_t>(32, static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace

Bytes CanonTiff(Order order, const CanonRecord& record) {
  const std::string make = "Canon";
  const std::uint32_t main_ifd = 8;
  const std::uint32_t exif_ifd = main_ifd + DirectorySize(2);
  const std::uint32_t maker_note = exif_ifd + DirectorySize(1);
  const std::uint32_t make_at = maker_note + DirectorySize(5);
  const std::uint32_t model_at = make_at + FieldSize(make);
  const std::uint32_t firmware_at = model_at + FieldSize(record.model);
  const std::uint32_t owner_at = firmware_at + FieldSize(record.firmware);
  const std::uint32_t counter_at = owner_at + FieldSize(record.owner);
  const std::uint32_t maker_note_size = counter_at + 18 - maker_note;

  Bytes out = TiffHeader(order, main_ifd);
  AppendDirectory(
      out, {{kTagMake, kAscii, FieldSize(make), make_at}, {kTagExif, kLong, 1, exif_ifd}}, 0);
  AppendDirectory(out, {{kTagMakerNote, kUndefined, maker_note_size, maker_note}}, 0);
  AppendDirectory(out,
                  {{kTagModel, kAscii, FieldSize(record.model), model_at},
                   {kTagFirmware, kAscii, FieldSize(record.firmware), firmware_at},
                   {kTagOwner, kAscii, FieldSize(record.owner), owner_at},
                   {kTagSerial, kLong, 1, record.serial},
                   {kTagCounter, kShort, 9, counter_at}},
                  0);
  out.Text(make).PadTo(model_at);
  out.Text(record.model).PadTo(firmware_at);
  out.Text(record.firmware).PadTo(owner_at);
  out.Text(record.owner).PadTo(counter_at);
  for (std::uint16_t w : record.counter) out.U16(w);
  return out;
}

Bytes Jpeg(const Bytes& tiff, bool with_app0) {
  Bytes out(Order::kBig);
  out.U16(0xFFD8);
  if (with_app0) out.U16(0xFFE0).U16(16).Text("JFIF").Zeros(10);
  out.U16(0xFFE1).U16(static_cast<std::uint32_t>(2 + 6 + tiff.size())).Text("Exif").Zeros(2);
  out.Append(tiff);
  out.U16(0xFFD9);
  return out;
}

Bytes Ciff(Order order, std::size_t size, std::uint32_t anchor_value, std::uint32_t serial,
           std::uint16_t exposures) {
  constexpr std::uint32_t kHeaderLength = 26;
  Bytes out(order);
  out.Text(order == Order::kLittle ? "II" : "MM").U32(kHeaderLength).Text("HEAPCCDR");
  const std::size_t anchor = anchor_value + kHeaderLength;
  out.PadTo(anchor + 566).U32(serial).PadTo(anchor + 662).U16(exposures);
  out.PadTo(size - 8).U32(anchor_value).PadTo(size);
  return out;
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("auslomat-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const Bytes& bytes) const {
  return Write(name, bytes.data());
}

std::filesystem::path TempDir::Write(const std::string& name,
                                     const std::vector<std::uint8_t>& b) const {
  const std::filesystem::path file = path_ / std::filesystem::u8path(name);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  if (!out) throw std::runtime_error("cannot write test file");
  return file;
}

void WriteAt(const std::filesystem::path& path, std::uint64_t offset, const Bytes& bytes) {
  if (std::filesystem::file_size(path) < offset) std::filesystem::resize_file(path, offset);
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(offset));
  out.write(reinterpret_cast<const char*>(bytes.data().data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot patch test file");
}

camerafile::TFileName NameOf(const std::filesystem::path& path) {
  return path.native();
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32
namespace {
// Starts the program directly, without cmd.exe in between, with these
// standard input and output handles; returns the process, or nullptr.
HANDLE Start(const std::vector<std::filesystem::path>& args, HANDLE in, HANDLE out) {
  std::wstring command = L"\"" + std::filesystem::path(AUSLOMAT_EXE).wstring() + L"\"";
  for (const auto& arg : args) command += L" \"" + arg.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// The program's "\r\n" line ends as "\n", for comparisons.
std::string WithNewlines(const std::string& out) {
  std::string normalised;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;
    normalised.push_back(out[i]);
  }
  return normalised;
}
}  // namespace

// Standard input on NUL, standard output on a pipe.
RunResult RunAuslomat(const std::vector<std::filesystem::path>& args) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  const HANDLE process = Start(args, nul, write_end);
  CloseHandle(write_end);
  CloseHandle(nul);
  if (process != nullptr) {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0)
      result.out.append(buffer, n);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process);
  }
  CloseHandle(read_end);
  result.out = WithNewlines(result.out);
  return result;
}

RunningAuslomat::RunningAuslomat(const std::filesystem::path& file) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read = nullptr;
  HANDLE out_write = nullptr;
  if (!CreatePipe(&in_read, &to_, &inherit, 0)) return;
  if (!CreatePipe(&from_, &out_write, &inherit, 0)) return;
  SetHandleInformation(to_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(from_, HANDLE_FLAG_INHERIT, 0);
  process_ = Start({file}, in_read, out_write);
  CloseHandle(in_read);
  CloseHandle(out_write);
}

RunningAuslomat::~RunningAuslomat() {
  if (Running()) TerminateProcess(process_, 1);
  for (HANDLE h : {process_, to_, from_}) {
    if (h != nullptr) CloseHandle(h);
  }
}

std::string RunningAuslomat::ReadUntil(const std::string& tail) {
  std::string out;
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (GetTickCount64() < deadline) {
    if (out.size() >= tail.size() &&
        out.compare(out.size() - tail.size(), tail.size(), tail) == 0) {
      break;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(from_, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      Sleep(10);
      continue;
    }
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(from_, buffer, sizeof buffer, &n, nullptr) || n == 0) break;
    out = WithNewlines(out.append(buffer, n));
  }
  return out;
}

bool RunningAuslomat::Running() {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool RunningAuslomat::HoldsOpen(const std::filesystem::path& file) {
  // Opening it without sharing fails while any other handle is open.
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(h);
  return false;
}

void RunningAuslomat::Type(const std::string& keys) {
  DWORD written = 0;
  WriteFile(to_, keys.data(), static_cast<DWORD>(keys.size()), &written, nullptr);
}

int RunningAuslomat::Wait() {
  if (process_ == nullptr || WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}
#else
namespace {
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
}  // namespace

RunResult RunAuslomat(const std::vector<std::filesystem::path>& args) {
  std::string command = ShellQuoted(AUSLOMAT_EXE);
  for (const auto& arg : args) command += " " + ShellQuoted(arg.string());
  command += " </dev/null";
  RunResult result;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.out.append(buffer, n);
  }
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

RunningAuslomat::RunningAuslomat(const std::filesystem::path& file) {
  std::signal(SIGPIPE, SIG_IGN);  // typing to a program that has ended fails, nothing more
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    execl(AUSLOMAT_EXE, AUSLOMAT_EXE, file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  to_ = in[1];
  from_ = out[0];
}

RunningAuslomat::~RunningAuslomat() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(to_);
  close(from_);
}

std::string RunningAuslomat::ReadUntil(const std::string& tail) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (out.size() < tail.size() || out.compare(out.size() - tail.size(), tail.size(), tail)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd readable{from_, POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t n = read(from_, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

bool RunningAuslomat::Running() {
  if (pid_ <= 0 || status_ != -1) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return false;
}

bool RunningAuslomat::HoldsOpen(const std::filesystem::path& file) {
  const auto target = std::filesystem::canonical(file);
  std::error_code error;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
    if (std::filesystem::read_symlink(fd.path(), error) == target) return true;
  }
  return false;
}

void RunningAuslomat::Type(const std::string& keys) {
  if (write(to_, keys.data(), keys.size()) < 0) return;
}

int RunningAuslomat::Wait() {
  for (int tick = 0; tick < 1000 && Running(); ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}
#endif

}  // namespace testfile
