// What the tests of one container share: a file of the test's bytes in a
// folder of its own, analysed as the program does, and readable names for
// tests run in both byte orders.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"

namespace testfile {

class AnalysedFile {
 protected:
  camerafile::TCanonFile& Analyse(const Bytes& bytes) {
    file_.Init(NameOf(dir_.Write("file", bytes)));
    file_.Analyse();
    return file_;
  }

  TempDir dir_;
  camerafile::TCanonFile file_;
};

inline std::string OrderName(const ::testing::TestParamInfo<Order>& param) {
  return param.param == Order::kBig ? "BigEndian" : "LittleEndian";
}

}  // namespace testfile
