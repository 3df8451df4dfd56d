// Whole console transcripts of the built program, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "tests/file_builder.h"

namespace {

using testfile::Bytes;
using testfile::RunAuslomat;

const std::string kBanner =
    "------------------------------------------------------\n"
    "Auslomat -  Version 2*10E-4  - (0.0002) by Zettelwerk \n"
    "------------------------------------------------------\n";
const std::string kClosing =
    "----------------------------------OHNE GEWAEHR!-------\n"
    "\n"
    "Zum Beenden bitte <Return> druecken...\n";
const std::string kNotRecognised =
    "Datei nicht vorhanden oder keine 1D-Raw-Datei \n"
    "\n"
    "Zum Beenden bitte <Return> druecken...\n";

std::string Results(const std::string& model, const std::string& firmware,
                    const std::string& owner, const std::string& serial,
                    const std::string& count) {
  return "Modell             : " + model + "\n" +      //
         "Firmware           : " + firmware + "\n" +   //
         "Eigentuemer        : " + owner + "\n" +      //
         "Seriennummer       : " + serial + "\n" +     //
         "Anzahl Belichtungen: " + count + "\n" + kClosing;
}

const std::string kDefaults = Results("----------", "----------", "----------", "0", "0");

TEST(Console, NoArgumentPrintsUsage) {
  const auto run = RunAuslomat({});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner +
                         "Usage: Auslomat <xxxxxxxx.tif>  -> 1DMark I\n"
                         "bzw  : Auslomat <xxxxxxxx.cr2>  -> 1DMark II\n"
                         "bzw  : Auslomat <xxxxxxxx.jpg>  -> 1DI/1DII/???\n"
                         "\n"
                         "Zum Beenden bitte >Return< druecken...\n");
}

TEST(Console, MissingOrUnrecognisedFile) {
  testfile::TempDir dir;
  auto run = RunAuslomat({dir.path() / "nicht-da.cr2"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + kNotRecognised);
  run = RunAuslomat({dir.Write("text.cr2", Bytes().Text("hello"))});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + kNotRecognised);
}

TEST(Console, RecognisedFileWithoutMakerNoteShowsDefaults) {
  testfile::TempDir dir;
  Bytes tiff = testfile::TiffHeader(testfile::Order::kBig, 8);
  testfile::AppendDirectory(tiff, {{testfile::kTagMake, testfile::kAscii, 4, 0x41424300}}, 0);
  const auto run = RunAuslomat({dir.Write("plain.tif", tiff)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + kDefaults);
}

TEST(Console, SecondArgumentIsIgnored) {
  testfile::TempDir dir;
  const auto run = RunAuslomat({dir.Write("a.tif", Bytes().Text("MM").U16(42)), "no-such-file"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + kDefaults);
}

TEST(Console, NameLongerThan255BytesOpensThatFile) {
  testfile::TempDir dir;
  const std::string folder(200, 'd');
  const std::string name(120, 'f');
  const auto path = dir.Write(folder + "/" + name + ".cr2", testfile::CanonTiff(testfile::Order::kLittle));
  ASSERT_GT(path.string().size(), 255u);
  // A file at the name cut to 255 bytes must not be the one opened.
  const auto run = RunAuslomat({path});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.find("Datei nicht vorhanden"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Anzahl Belichtungen: "), std::string::npos);
}

}  // namespace
