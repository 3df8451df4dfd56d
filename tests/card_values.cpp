// Prints, for each file named, the values a card of the web page shows
// beside the lines, as the native reader finds them: one JSON object a
// line, bytes above 0x7F as \u00XX (the page shows each byte as its Latin-1
// character). The browser test compares every card with them.
#include <cstdio>
#include <string>

#include "camerafile/canon_file.h"
#include "camerafile/transcript.h"
#include "tests/file_builder.h"

namespace {

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  camerafile::TCanonFile file;
  file.Messages = nullptr;
  for (int i = 1; i < argc; ++i) {
    file.Init(testfile::NameOf(argv[i]));
    file.Analyse();
    const transcript::Card card = transcript::CardOf(file);
    std::printf(
        "{\"camera\":%s,\"make\":%s,\"serial\":%s,\"taken\":%s,\"count\":%d,"
        "\"mechanical\":%d}\n",
        Json(card.camera).c_str(), Json(card.make).c_str(), Json(card.serial).c_str(),
        Json(card.taken).c_str(), card.count, card.mechanical);
  }
  return 0;
}
