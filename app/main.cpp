// Auslomat: prints the camera's own record (model, firmware, owner, serial
// number, exposure count) from one Canon camera file, then waits for Return
// so that a window opened by dropping a file onto the program stays open.
#include <cstdio>
#include <string>

#include "camerafile/canon_file.h"
#include "camerafile/transcript.h"

namespace {

// stdout is in text mode, so "\n" is "\r\n" in the Windows program.
void Print(const transcript::Lines& lines) {
  for (const std::string& line : lines) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
}

void WaitForReturn() {
  std::fflush(stdout);
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
}

int Run(const camerafile::TFileName* file_name) {
  Print(transcript::Banner());
  if (file_name == nullptr) {
    Print(transcript::Usage());
  } else {
    camerafile::TCanonFile file;
    file.Init(*file_name);
    file.Analyse();  // may write a JPEG header error line
    Print(transcript::Results(file));
    Print(transcript::ResultPrompt());
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
