// Auslomat: prints the camera's own record (model, firmware, owner, serial
// number, exposure count) from one Canon camera file, then waits for Return
// so that a window opened by dropping a file onto the program stays open.
#include <cstdio>
#include <string>

#include "camerafile/canon_file.h"

namespace {

constexpr const char* kRule = "------------------------------------------------------";
constexpr const char* kBanner = "Auslomat -  Version 2*10E-4  - (0.0002) by Zettelwerk ";
constexpr const char* kUsage[] = {
    "Usage: Auslomat <xxxxxxxx.tif>  -> 1DMark I",
    "bzw  : Auslomat <xxxxxxxx.cr2>  -> 1DMark II",
    "bzw  : Auslomat <xxxxxxxx.jpg>  -> 1DI/1DII/???",
};
constexpr const char* kUsagePrompt = "Zum Beenden bitte >Return< druecken...";
constexpr const char* kResultPrompt = "Zum Beenden bitte <Return> druecken...";
constexpr const char* kDisclaimer = "----------------------------------OHNE GEWAEHR!-------";
constexpr const char* kNotRecognised = "Datei nicht vorhanden oder keine 1D-Raw-Datei ";

// stdout is in text mode, so "\n" is "\r\n" in the Windows program.
void Line(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

// Strings come from the file: control bytes could move the cursor, retitle
// the terminal or forge a line, so they show as '?'. Bytes from 0x80 up pass
// unchanged (Latin-1 owner names).
std::string Printable(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return text;
}

void PrintResults(const camerafile::TCanonFile& file) {
  Line(std::string("Modell             : ") + Printable(file.GetModel()));
  Line(std::string("Firmware           : ") + Printable(file.GetFirmware()));
  Line(std::string("Eigentuemer        : ") + Printable(file.GetOwner()));
  Line(std::string("Seriennummer       : ") + std::to_string(file.GetSerialNumber()));
  Line(std::string("Anzahl Belichtungen: ") + std::to_string(file.GetShutterCount()));
  Line(kDisclaimer);
}

void WaitForReturn() {
  std::fflush(stdout);
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
}

int Run(const camerafile::TFileName* file_name) {
  Line(kRule);
  Line(kBanner);
  Line(kRule);
  if (file_name == nullptr) {
    for (const char* line : kUsage) Line(line);
    Line("");
    Line(kUsagePrompt);
  } else {
    camerafile::TCanonFile file;
    file.Init(*file_name);
    file.Analyse();
    if (file.IsValid()) {
      PrintResults(file);
    } else {
      Line(kNotRecognised);
    }
    Line("");
    Line(kResultPrompt);
  }
  WaitForReturn();
  return 0;
}

}  // namespace

#ifdef _WIN32
// The UTF-16 command line carries any name the user drops onto the program,
// and the name goes to the reader as it came.
int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Run(nullptr);
  const camerafile::TFileName name = argv[1];
  return Run(&name);
}
#else
int main(int argc, char** argv) {
  if (argc < 2) return Run(nullptr);
  const camerafile::TFileName name = argv[1];
  return Run(&name);
}
#endif
