// The example raw file of examples/, made by the test-file builder.
#pragma once

#include "tests/file_builder.h"

namespace testfile {

inline Bytes ExampleRaw() {
  CanonRecord record;
  record.model = "Canon EOS-1D Mark II";
  record.firmware = "Firmware Version 1.2.3";
  record.owner = "Erika Mustermann";
  record.serial = 301234;
  record.counter = {0, 2, 4321, 0, 0, 0, 10000, 0, 0};  // 2 * 10000 + 4321 exposures
  return CanonTiff(Order::kLittle, record);
}

}  // namespace testfile
