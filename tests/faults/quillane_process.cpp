#include "tests/faults/quillane_process.h"

#include <chrono>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

[[noreturn]] void Exec(const std::vector<std::string>& args, const std::string& out,
                       const std::string& err, const std::function<void()>& setup) {
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    if (setup) {
        setup();
    }
    std::vector<std::string> all = {QuillaneBinary()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

} // namespace

std::string QuillaneBinary() {
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, length > 0 ? static_cast<size_t>(length) : 0);
    return path.substr(0, path.find_last_of('/') + 1) + "quillane";
}

ProcessRun RunQuillane(const std::vector<std::string>& args, int killAfterMs,
                       const std::function<void()>& setup) {
    const std::string base = "/tmp/quillane-fault-" + std::to_string(getpid());
    const pid_t child = fork();
    if (child == 0) {
        Exec(args, base + ".out", base + ".err", setup);
    }
    if (killAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProcessRun run;
    run.exited = WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    run.out = ReadBack(base + ".out");
    run.err = ReadBack(base + ".err");
    return run;
}
