// What the program reads is listed once, in the reader's tables; the page's
// lists are made from them when it is built, and README and LIESMICH must
// name what the page names: every kind of file and every maker whose notes
// give something.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "camerafile/canon_file.h"
#include "camerafile/makers.h"
#include "tests/file_builder.h"

namespace {

using camerafile::TFileGroup;
using camerafile::TNoteGives;

TEST(Docs, ReadmeAndLiesmichNameEveryKindOfFileAndEveryMakerTheReaderReads) {
  for (const char* doc : {"README.md", "docs/LIESMICH.txt"}) {
    const std::string text = testfile::Slurp(std::string(AUSLOMAT_SOURCE_DIR) + "/" + doc);
    ASSERT_FALSE(text.empty()) << doc;
    for (const TFileGroup group :
         {TFileGroup::kCameraRaw, TFileGroup::kPicture, TFileGroup::kOtherMakersRaw}) {
      for (const std::string_view extension : camerafile::ExtensionsOf(group)) {
        EXPECT_NE(text.find(extension), std::string::npos) << doc << " names no " << extension;
      }
    }
    for (const TNoteGives gives : {TNoteGives::kCount, TNoteGives::kSerial, TNoteGives::kNothing}) {
      for (const std::string_view brand : camerafile::BrandsWhoseNotesGive(gives)) {
        EXPECT_NE(text.find(brand), std::string::npos) << doc << " names no " << brand;
      }
    }
  }
}

}  // namespace
