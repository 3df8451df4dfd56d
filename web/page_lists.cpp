// The page's lists of what is read, made from the reader's own tables when
// the page is built: a line NAME=text for each placeholder @NAME@ of the
// page (embed.cmake puts them in). A maker or a kind of file added to the
// reader is in the page's lists with the next build.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "camerafile/canon_file.h"
#include "camerafile/makers.h"

namespace {

using camerafile::TFileGroup;
using camerafile::TNoteGives;
using Names = std::vector<std::string_view>;

// "a, b und c" ("a, b, c" without a last word); with a part each name is
// joined to, "a-, b- oder c".
std::string Listed(const Names& names, std::string_view last = "", std::string_view each = "") {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      text += each;
      text += i + 1 < names.size() || last.empty() ? ", " : " " + std::string(last) + " ";
    }
    text += names[i];
  }
  return text;
}

void Print(const char* name, const std::string& text) {
  std::printf("%s=%s\n", name, text.c_str());
}

}  // namespace

int main() {
  const Names counts = camerafile::BrandsWhoseNotesGive(TNoteGives::kCount);
  const Names serials = camerafile::BrandsWhoseNotesGive(TNoteGives::kSerial);
  Names no_count = serials;
  for (const std::string_view brand : camerafile::BrandsWhoseNotesGive(TNoteGives::kNothing)) {
    no_count.push_back(brand);
  }
  // "einer Canon-, Nikon- oder Sony-Kamera"
  Print("COUNT_MAKERS", Listed(counts, "oder", "-"));
  Print("SERIAL_MAKERS", Listed(serials, "und"));
  Print("NO_COUNT_MAKERS", Listed(no_count));
  const auto extensions = [](TFileGroup group) {
    return Listed(camerafile::ExtensionsOf(group), "und");
  };
  Print("CAMERA_RAWS", extensions(TFileGroup::kCameraRaw));
  Print("PICTURES", extensions(TFileGroup::kPicture));
  Print("OTHER_RAWS", extensions(TFileGroup::kOtherMakersRaw));
  return 0;
}
