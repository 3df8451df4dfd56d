#include "camerafile/canon_file.h"

namespace camerafile {

void TCanonFile::LocateJpegExif() {}

}  // namespace camerafile
