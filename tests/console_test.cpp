// Whole console transcripts of the built program, byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "tests/example_file.h"
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

std::string Results(const std::string& model, const std::string& firmware, const std::string& owner,
                    const std::string& serial, const std::string& count) {
  return "Modell             : " + model + "\n" +     //
         "Firmware           : " + firmware + "\n" +  //
         "Eigentuemer        : " + owner + "\n" +     //
         "Seriennummer       : " + serial + "\n" +    //
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

TEST(Console, FolderIsNotAFile) {
  testfile::TempDir dir;
  const auto run = RunAuslomat({dir.path()});
  EXPECT_EQ(run.out, kBanner + kNotRecognised);
}

#ifndef _WIN32
TEST(Console, PipeIsNotOpenedSinceItCouldWaitForEver) {
  testfile::TempDir dir;
  const auto fifo = dir.path() / "camera.cr2";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto run = RunAuslomat({fifo});
  EXPECT_EQ(run.out, kBanner + kNotRecognised);
}
#endif

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
  const auto path =
      dir.Write(folder + "/" + name + ".cr2", testfile::CanonTiff(testfile::Order::kLittle));
  ASSERT_GT(path.string().size(), 255u);
  // The name cut to 255 bytes would name no file at all.
  const auto run = RunAuslomat({path});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + Results("Canon EOS-1D Mark II", "Firmware Version 1.2.3",
                                       "Erika Mustermann", "301234", "135393"));
}

TEST(Console, NameOutsideTheAnsiCodePageOpens) {
  testfile::TempDir dir;
  // A German user's folder and a Japanese file name, as UTF-8.
  const auto path = dir.Write("M\xC3\xBCller/\xE5\x86\x99\xE7\x9C\x9F \xCE\xB1.cr2",
                              testfile::CanonTiff(testfile::Order::kLittle));
  const auto run = RunAuslomat({path});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + Results("Canon EOS-1D Mark II", "Firmware Version 1.2.3",
                                       "Erika Mustermann", "301234", "135393"));
}

TEST(Console, ShippedExampleIsTheBuildersFile) {
  const std::vector<std::uint8_t> built = testfile::ExampleRaw().data();
  EXPECT_EQ(testfile::Slurp(AUSLOMAT_EXAMPLE_FILE), std::string(built.begin(), built.end()));
}

TEST(Console, ControlBytesInStringsPrintAsQuestionMarks) {
  testfile::TempDir dir;
  testfile::CanonRecord record;
  record.model = "Canon\x1b]0;pwned\x07 EOS\x7f\x1f";
  record.firmware = "1.0\nSeriennummer       : 1";
  record.owner = "Ren\xe9 M\xfcller";  // Latin-1 passes unchanged
  record.serial = 0xFFFFFFFFu;
  const auto run =
      RunAuslomat({dir.Write("x.tif", testfile::CanonTiff(testfile::Order::kBig, record))});
  EXPECT_EQ(run.out, kBanner + Results("Canon?]0;pwned? EOS??", "1.0?Seriennummer       : 1",
                                       "Ren\xe9 M\xfcller", "4294967295", "135393"))
      << "a serial number is never negative";
}

// A window opened by dropping a file onto the program stays open: the whole
// transcript is out before the wait, the camera file is closed by then, and
// only Return ends the wait.
TEST(Console, WaitsForReturnWithTheTranscriptOutAndTheFileClosed) {
  testfile::TempDir dir;
  const auto path = dir.Write("a.cr2", testfile::CanonTiff(testfile::Order::kLittle));
  testfile::RunningAuslomat program(path);
  EXPECT_EQ(program.ReadUntil(kClosing),
            kBanner + Results("Canon EOS-1D Mark II", "Firmware Version 1.2.3", "Erika Mustermann",
                              "301234", "135393"));
  EXPECT_TRUE(program.Running());
  EXPECT_FALSE(program.HoldsOpen(path));
  program.Type("x");  // any other key goes on waiting
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(program.Running());
  program.Type("\n");
  EXPECT_EQ(program.Wait(), 0);
}

TEST(Console, JpegHeaderErrorsPrintTheirLineThenDefaults) {
  testfile::TempDir dir;
  Bytes bad_order;
  bad_order.U16(0xFFD8).U16(0xFFE1).U16(100).Text("Exif").Zeros(2).Text("XX").Zeros(20);
  auto run = RunAuslomat({dir.Write("order.jpg", bad_order)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + "Fehler im TIFF-HEADER des jpg, ByteOrder !\n" + kDefaults);

  Bytes bad_magic;
  bad_magic.U16(0xFFD8).U16(0xFFE1).U16(100).Text("Exif").Zeros(2).Text("II").U8(0x2B).Zeros(21);
  run = RunAuslomat({dir.Write("magic.jpg", bad_magic)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + "Fehler im TIFF-HEADER des jpg, TifKennung !\n" + kDefaults);
}

}  // namespace
