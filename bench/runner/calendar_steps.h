#pragma once
// The steps the benchmark runner times inside a child process of its own,
// each printing "seconds=X" for the part it times: this project's reading and
// parsing of a calendar file, and (when built with libical) libical's
// parsing and serializing of the same file.

#include <string>

// Reads and parses the file into events as an import does before it
// creates anything; prints the events found and the seconds taken.
int ParseStep(const std::string& path);

// True when the runner was built with libical.
bool HaveLibical();
// libical reading and parsing the file into components.
int LibicalParseStep(const std::string& path);
// libical serializing the parsed file and writing the text to out (the
// parse is not timed).
int LibicalSerializeStep(const std::string& path, const std::string& out);
