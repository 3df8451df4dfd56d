// Writes the crafted files of the hostile corpus into a folder, one file per
// case named after its fault: seeds for the fuzzer.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/hostile_corpus.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_corpus <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const testfile::HostileCase& c : testfile::HostileCorpus()) {
    std::ofstream out(folder / c.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(c.bytes.data().data()),
              static_cast<std::streamsize>(c.bytes.size()));
    if (!out) return 1;
  }
  return 0;
}
