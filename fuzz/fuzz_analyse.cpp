// Fuzz target: the program's own path, Init then Analyse, on a file holding
// the input. Nothing is caught: a crash, a leak or a sanitizer report is a
// finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "camerafile/canon_file.h"

namespace {

// Analyse reads a file by name, so every input is written to one file of
// this process's own.
const std::string& InputFileName() {
  static const std::string name = [] {
    const auto unique = reinterpret_cast<std::uintptr_t>(&name);
    return (std::filesystem::temp_directory_path() /
            ("auslomat-fuzz-" + std::to_string(unique) + ".bin"))
        .string();
  }();
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& name = InputFileName();
  std::FILE* out = std::fopen(name.c_str(), "wb");
  if (out == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);

  camerafile::TCanonFile file;
  file.Messages = nullptr;
  file.Init(name);
  file.Analyse();
  if (file.DataFile.IsOpen()) __builtin_trap();  // Analyse closes on every path
  if (file.GetModel().size() > camerafile::kShortStringMax) __builtin_trap();
  return 0;
}
