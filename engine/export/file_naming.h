#pragma once
// Names of the export's output files: a base made safe for the file system,
// and a path in the output folder that does not clash with an existing file.
//
//   SanitizeFileName("20070305090000_a/b: c  ")  "20070305090000_a_b_ c"
//   SanitizeFileName("CON")                      "CO_"
//   FreeFilePath("out", "x", ".ics", false)      "out/x.ics", or "out/x(1).ics" when taken

#include <string>

// Characters that cannot stand in a file name become "_", trailing white
// space goes, and the reserved device names "con" and "nul" (alone or
// before a dot, in any letter case) get "_" for their last letter.
std::string SanitizeFileName(std::string name);

// The first CR LF of a base becomes " (" and ")" is added at its end, so
// that a two-line subject reads "first (second)".
std::string BracketFirstLineBreak(std::string base);

// The output path for base + extension: with overwrite the plain name;
// otherwise the first of base, base(1), base(2), ... whose path is free.
// Empty when the joined path is too long.
std::string FreeFilePath(const std::string& folder, const std::string& base,
                         const std::string& extension, bool overwrite);
