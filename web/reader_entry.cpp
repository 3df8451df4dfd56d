// The reader as the web page's worker calls it: one file at a time, the one
// whose blocks the page hands over (file_blocks.js).
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "camerafile/canon_file.h"
#include "camerafile/transcript.h"

namespace {

std::string Joined(const transcript::Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string text;
double bytes_read = 0;
bool valid = false;
std::int32_t shutter_count = 0;

}  // namespace

extern "C" {

// The banner, once for the page.
EMSCRIPTEN_KEEPALIVE const char* AuslomatBanner() {
  text = Joined(transcript::Banner());
  return text.c_str();
}

// What the console program prints for the file between its banner and its
// closing prompt: a JPEG header error line if any, then the results or the
// not-recognised line. Bytes as read, one line each; valid until the next
// call.
EMSCRIPTEN_KEEPALIVE const char* AuslomatAnalyse() {
  static camerafile::TCanonFile file;  // large (its block cache): not on the stack
  char* messages = nullptr;
  std::size_t messages_size = 0;
  std::FILE* sink = open_memstream(&messages, &messages_size);
  file.Messages = sink;
  file.Init(camerafile::TFileName());  // the page holds the file; no name is opened
  file.Analyse();
  file.Messages = nullptr;
  if (sink != nullptr) std::fclose(sink);
  text.assign(messages != nullptr ? messages : "", messages_size);
  std::free(messages);
  text += Joined(transcript::Results(file));
  bytes_read = static_cast<double>(file.DataFile.BytesRead());
  valid = file.IsValid();
  shutter_count = file.GetShutterCount();
  return text.c_str();
}

// The last analysis's results as values, for what the page shows beside
// the lines: whether the file was recognised, and the exposure count.
EMSCRIPTEN_KEEPALIVE int AuslomatValid() {
  return valid ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE std::int32_t AuslomatShutterCount() {
  return shutter_count;
}

// Bytes fetched from the file by the last analysis.
EMSCRIPTEN_KEEPALIVE double AuslomatBytesRead() {
  return bytes_read;
}

}  // extern "C"
