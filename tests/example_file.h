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
  // A used body past 65,535: 3 * 65536 + 55321 = 251929 exposures, from a
  // raw-only shot (RAW+JPEG quality 65535).
  record.counter = {18, 3, 55321, 0, 0, 0, 65535, 0, 0};
  return CanonTiff(Order::kLittle, record);
}

}  // namespace testfile
