// Writes the example camera file shipped in examples/: a little-endian TIFF
// laid out as a 1D Mark II ".cr2" with its maker note.
#include <cstdio>
#include <fstream>

#include "tests/example_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_example <output.cr2>\n");
    return 2;
  }
  const testfile::Bytes bytes = testfile::ExampleRaw();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data().data()),
            static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
