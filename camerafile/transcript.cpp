#include "camerafile/transcript.h"

namespace transcript {
namespace {

constexpr const char* kRule = "------------------------------------------------------";
constexpr const char* kBanner = "Auslomat -  Version 2*10E-4  - (0.0002) by Zettelwerk ";
constexpr const char* kDisclaimer = "----------------------------------OHNE GEWAEHR!-------";
constexpr const char* kNotRecognised = "Datei nicht vorhanden oder keine 1D-Raw-Datei ";
// The two prompts differ on purpose: ">Return<" after the usage text.
constexpr const char* kUsagePrompt = "Zum Beenden bitte >Return< druecken...";
constexpr const char* kResultPrompt = "Zum Beenden bitte <Return> druecken...";

}  // namespace

Lines Banner() {
  return {kRule, kBanner, kRule};
}

Lines Usage() {
  return {
      "Usage: Auslomat <xxxxxxxx.tif>  -> 1DMark I",
      "bzw  : Auslomat <xxxxxxxx.cr2>  -> 1DMark II",
      "bzw  : Auslomat <xxxxxxxx.jpg>  -> 1DI/1DII/???",
      "",
      kUsagePrompt,
  };
}

Lines Results(const camerafile::TCanonFile& file) {
  if (!file.IsValid()) return {kNotRecognised};
  // Each label is 21 characters wide, the colon in the same column.
  return {
      "Modell             : " + Printable(file.GetModel()),
      "Firmware           : " + Printable(file.GetFirmware()),
      "Eigentuemer        : " + Printable(file.GetOwner()),
      "Seriennummer       : " + Printable(file.GetSerialText()),
      "Anzahl Belichtungen: " + std::to_string(file.GetShutterCount()),
      kDisclaimer,
  };
}

Lines ResultPrompt() {
  return {"", kResultPrompt};
}

Card CardOf(const camerafile::TCanonFile& file) {
  const auto found = [](const std::string& text, const std::string& none) {
    return text == none ? std::string() : Printable(text);
  };
  Card card;
  card.model = found(file.GetModel(), camerafile::kNoValue);
  card.camera = found(file.GetCameraName(), camerafile::kNoValue);
  card.make = Printable(file.GetMake());
  card.serial = found(file.GetSerialText(), "0");
  card.taken = file.GetDateTaken();
  card.count = file.GetShutterCount();
  card.mechanical = file.GetMechanicalCount();
  card.includes = static_cast<std::int32_t>(file.CountIncludes);
  return card;
}

std::string Printable(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return text;
}

}  // namespace transcript
