#pragma once
// Runs one benchmark step as a child process and measures it: wall time,
// peak resident memory (the child's getrusage) and exit status, plus the
// seconds the child reports itself for a step it times internally.

#include <string>
#include <vector>

struct StepResult {
    bool ok = false;
    double wallSeconds = 0;
    // The child's own timing of its step ("seconds=X" on its last output
    // line); the wall time when it printed none.
    double stepSeconds = 0;
    double peakMegabytes = 0;
    std::string output;
};

StepResult RunStep(const std::vector<std::string>& argv, const std::string& outputFile);
