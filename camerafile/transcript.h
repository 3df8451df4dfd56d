// What every front end shows, line by line and without line ends: the
// console program and the web page both take their lines from here, so the
// labels, the padding and the fixed texts stand in one place.
#pragma once

#include <string>
#include <vector>

#include "camerafile/canon_file.h"

namespace transcript {

using Lines = std::vector<std::string>;

// The three lines that open every run.
Lines Banner();
// Without a file name: the usage text, an empty line and its prompt.
Lines Usage();
// After the analysis of one file: the five labelled results and the closing
// line, or the not-recognised line. The JPEG header error lines that may
// come before them are written by Analyse itself.
Lines Results(const camerafile::TCanonFile& file);
// After the results: an empty line and the prompt.
Lines ResultPrompt();

// What a card shows beside the lines (the web page), as values: texts as
// the lines show them, empty where nothing was found.
struct Card {
  std::string model;   // the model line's
  std::string camera;  // the camera's own name: IFD0's Model, else the model line's
  std::string make;    // IFD0's Make
  std::string serial;
  std::string taken;  // "YYYY:MM:DD HH:MM:SS", as the camera wrote it
  std::int32_t count = 0;
  std::int32_t mechanical = 0;  // of the count, the mechanical shutter's
  std::int32_t includes = 0;    // what the count includes: camerafile::TCountIncludes
};
Card CardOf(const camerafile::TCanonFile& file);

// Strings come from the file: control bytes could move the cursor, retitle
// the terminal or forge a line, so they show as '?'. Bytes from 0x80 up pass
// unchanged (Latin-1 owner names).
std::string Printable(std::string text);

}  // namespace transcript
