#include "camerafile/canon_file.h"

namespace camerafile {

void TCanonFile::ReadDirectory() {}
void TCanonFile::WalkDirectories() {}

}  // namespace camerafile
