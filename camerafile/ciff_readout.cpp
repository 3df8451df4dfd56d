#include "camerafile/canon_file.h"

namespace camerafile {

void TCanonFile::ReadCiff() {}

}  // namespace camerafile
