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

// Strings come from the file: control bytes could move the cursor, retitle
// the terminal or forge a line, so they show as '?'. Bytes from 0x80 up pass
// unchanged (Latin-1 owner names).
std::string Printable(std::string text);

}  // namespace transcript
