// Crafted files: each runs through the program with exit status 0 and a
// transcript of the normal shape, and leaves the file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"
#include "tests/hostile_corpus.h"

namespace {

namespace fs = std::filesystem;
using namespace testfile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Banner, an optional JPEG header error, the results or the not-recognised
// line, an empty line and the prompt.
void ExpectNormalShape(const std::string& out, const std::string& name) {
  std::vector<std::string> lines = Lines(out);
  ASSERT_GE(lines.size(), 6u) << name << "\n" << out;
  EXPECT_EQ(lines[1], "Auslomat -  Version 2*10E-4  - (0.0002) by Zettelwerk ") << name;
  EXPECT_EQ(lines.back(), "Zum Beenden bitte <Return> druecken...") << name;
  std::size_t at = 3;
  if (lines[at].rfind("Fehler im TIFF-HEADER des jpg, ", 0) == 0) ++at;
  if (lines[at] == "Datei nicht vorhanden oder keine 1D-Raw-Datei ") {
    EXPECT_EQ(lines.size(), at + 3) << name;
    return;
  }
  const char* const labels[] = {
      "Modell             : ", "Firmware           : ", "Eigentuemer        : ",
      "Seriennummer       : ", "Anzahl Belichtungen: "};
  ASSERT_EQ(lines.size(), at + 8) << name << "\n" << out;
  for (const char* label : labels) EXPECT_EQ(lines[at++].rfind(label, 0), 0u) << name;
  EXPECT_EQ(lines[at], "----------------------------------OHNE GEWAEHR!-------") << name;
}

TEST(HostileFiles, RunToTheNormalTranscriptAndLeaveTheFileAlone) {
  TempDir dir;
  for (const HostileCase& c : HostileCorpus()) {
    const fs::path path = dir.Write(c.name, c.bytes);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto written = fs::last_write_time(path);
    const auto run = RunAuslomat({path});
    EXPECT_EQ(run.status, 0) << c.name;
    ExpectNormalShape(run.out, c.name);
    EXPECT_EQ(fs::last_write_time(path), written) << c.name;
    const std::string bytes = Slurp(path);
    EXPECT_TRUE(
        std::equal(bytes.begin(), bytes.end(), c.bytes.data().begin(), c.bytes.data().end(),
                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
        << c.name;
  }
}

// What the caps and the read budget cost real results: nothing for files
// laid out as cameras write them, defaults where a crafted file overreaches.
TEST(HostileFiles, CrossingTheLimitsLeavesDefaultsNotGarbage) {
  TempDir dir;
  for (const HostileCase& c : HostileCorpus()) {
    camerafile::TCanonFile file;
    file.Messages = nullptr;
    file.Init(NameOf(dir.Write(c.name, c.bytes)));
    file.Analyse();
    EXPECT_FALSE(file.DataFile.IsOpen()) << c.name;
    EXPECT_LE(file.DataFile.BytesRead(), 64u * 1024) << c.name;
    EXPECT_LE(file.GetModel().size(), 255u) << c.name;
    if (c.name == "string-without-zero-byte") {
      EXPECT_EQ(file.GetModel(), std::string(255, 'x'));
    } else if (c.name == "directory-past-the-end") {
      EXPECT_EQ(file.GetSerialNumber(), 7);
    } else if (c.name == "long-chain-of-distant-directories") {
      EXPECT_GE(file.GetSerialNumber(), 4) << "the first directories of the chain are read";
    }
    for (const char* maker_note : {"maker-", "make-", "nikon-", "pentax-", "sony-", "dng-",
                                   "olympus-", "kodak-", "phaseone-"}) {
      if (c.name.rfind(maker_note, 0) != 0) continue;
      EXPECT_EQ(file.GetShutterCount(), 0) << c.name;
      EXPECT_EQ(file.GetSerialText(), "0") << c.name;
    }
  }
}

TEST(HostileFiles, RawFileReadsOnlyItsFirstBlocks) {
  TempDir dir;
  Bytes raw = CanonTiff(Order::kLittle);
  raw.PadTo(25u << 20);
  camerafile::TCanonFile file;
  file.Init(NameOf(dir.Write("big.cr2", raw)));
  file.Analyse();
  EXPECT_EQ(file.GetShutterCount(), 135393);
  EXPECT_LE(file.DataFile.BytesRead(), 64u * 1024);
}

}  // namespace
