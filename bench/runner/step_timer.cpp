#include "bench/runner/step_timer.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& argv, const std::string& outputFile) {
    const int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

double ReportedSeconds(const std::string& output, double fallback) {
    const size_t at = output.rfind("seconds=");
    return at == std::string::npos ? fallback : std::stod(output.substr(at + 8));
}

} // namespace

StepResult RunStep(const std::vector<std::string>& argv, const std::string& outputFile) {
    const auto begin = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        ExecChild(argv, outputFile);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    StepResult result;
    result.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::ifstream in(outputFile);
    std::ostringstream text;
    text << in.rdbuf();
    result.output = text.str();
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.stepSeconds = ReportedSeconds(result.output, result.wallSeconds);
    result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return result;
}
