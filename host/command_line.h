#pragma once
// The quillane command line: global options, then one command. Parsing
// turns flags into a run of the matching command; the exit status follows
// the program's contract (0 done, 1 some items failed, 2 usage error or the
// run could not start, 130 cancelled).

#include <iosfwd>

inline constexpr int kExitOk = 0;
inline constexpr int kExitItemsFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
