#pragma once
// The built quillane binary run as a child process, for tests of what is
// left behind when it is killed, runs out of file space or meets a locked
// store.

#include <functional>
#include <string>
#include <vector>

struct ProcessRun {
    bool exited = false; // false: ended by a signal
    int status = 0;      // the exit status, or the signal
    std::string out;
    std::string err;
};

// The quillane binary beside the test program.
std::string QuillaneBinary();

// Runs quillane with args; setup runs in the child before exec (limits,
// signal dispositions). killAfterMs >= 0 sends SIGKILL after that long.
ProcessRun RunQuillane(const std::vector<std::string>& args, int killAfterMs = -1,
                       const std::function<void()>& setup = {});
