// Fuzz target: the program's own path, Init then Analyse, on a file holding
// the input. Nothing is caught: a crash, a leak or a sanitizer report is a
// finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "camerafile/canon_file.h"

namespace {

// Analyse reads a file by name, so every input is written to one file of
// this process's own.
const std::filesystem::path& InputFile() {
  static const std::filesystem::path path = [] {
    const auto unique = reinterpret_cast<std::uintptr_t>(&path);
    return std::filesystem::temp_directory_path() /
           ("auslomat-fuzz-" + std::to_string(unique) + ".bin");
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& path = InputFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) return 0;
  }

  camerafile::TCanonFile file;
  file.Messages = nullptr;
  file.Init(path.native());
  file.Analyse();
  if (file.DataFile.IsOpen()) __builtin_trap();  // Analyse closes on every path
  if (file.GetModel().size() > camerafile::kShortStringMax) __builtin_trap();
  return 0;
}
