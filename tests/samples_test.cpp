// Real camera files from public metadata test collections, kept outside the
// repository: the program's output must match each file's ".expected"
// transcript byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "tests/file_builder.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> SampleFiles() {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(AUSLOMAT_SAMPLES_DIR, error)) {
    if (item.path().extension() == ".expected") files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(RealCameraFiles, OutputMatchesTheExpectedTranscript) {
  const auto expected_files = SampleFiles();
  if (expected_files.empty()) GTEST_SKIP() << "no sample files at " << AUSLOMAT_SAMPLES_DIR;
  for (const fs::path& expected : expected_files) {
    fs::path sample = expected;
    sample.replace_extension();
    const auto run = testfile::RunAuslomat({sample});
    EXPECT_EQ(run.status, 0) << sample;
    EXPECT_EQ(run.out, testfile::Slurp(expected)) << sample;
  }
}

}  // namespace
