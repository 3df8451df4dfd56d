// The reader as the web page calls it: one file at a time, the one
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
camerafile::TCanonFile file;  // large (its block cache): not on the stack
std::string message;          // the JPEG header error line, if any
transcript::Card card;        // the last analysis's values

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
  char* messages = nullptr;
  std::size_t messages_size = 0;
  std::FILE* sink = open_memstream(&messages, &messages_size);
  file.Messages = sink;
  file.Init(camerafile::TFileName());  // the page holds the file; no name is opened
  file.Analyse();
  file.Messages = nullptr;
  if (sink != nullptr) std::fclose(sink);
  message.assign(messages != nullptr ? messages : "", messages_size);
  std::free(messages);
  text = message + Joined(transcript::Results(file));
  bytes_read = static_cast<double>(file.DataFile.BytesRead());
  while (!message.empty() && message.back() == '\n') message.pop_back();
  card = transcript::CardOf(file);
  return text.c_str();
}

// The last analysis's results as values, for the page's card beside the
// lines. Strings are as the lines show them; empty where nothing was found.
EMSCRIPTEN_KEEPALIVE int AuslomatValid() {
  return file.IsValid() ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE const char* AuslomatHeaderError() {
  return message.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* AuslomatModel() {
  return card.model.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* AuslomatSerial() {
  return card.serial.c_str();
}
EMSCRIPTEN_KEEPALIVE std::int32_t AuslomatShutterCount() {
  return card.count;
}
// What the count includes, as the numbers of camerafile::TCountIncludes.
EMSCRIPTEN_KEEPALIVE std::int32_t AuslomatCountIncludes() {
  return card.includes;
}
// Of the count, the mechanical shutter's releases; 0 where the file keeps
// none apart.
EMSCRIPTEN_KEEPALIVE std::int32_t AuslomatMechanicalCount() {
  return card.mechanical;
}
// The camera's own name, who made it and when the picture was taken.
EMSCRIPTEN_KEEPALIVE const char* AuslomatCameraName() {
  return card.camera.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* AuslomatMake() {
  return card.make.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* AuslomatDateTaken() {
  return card.taken.c_str();
}

// Bytes fetched from the file by the last analysis.
EMSCRIPTEN_KEEPALIVE double AuslomatBytesRead() {
  return bytes_read;
}

}  // extern "C"
