// Crafted files that once could make an analysis cost far more than the
// file's size suggests, or read outside it. Each is named after its fault.
// The regression test, the benchmark and the fuzzer's seeds use them.
#pragma once

#include <string>
#include <vector>

#include "tests/file_builder.h"

namespace testfile {

struct HostileCase {
  std::string name;
  Bytes bytes;
};

std::vector<HostileCase> HostileCorpus();

}  // namespace testfile
