#include "host/terminal_progress.h"

#include <atomic>
#include <csignal>
#include <ostream>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 30;

std::atomic<bool> g_cancelPressed{false};
struct sigaction g_previousAction;

extern "C" void PressCancel(int) {
    g_cancelPressed.store(true);
}

} // namespace

CTerminalProgress::CTerminalProgress(std::ostream& out, bool draw) : out_(out), draw_(draw) {}

CTerminalProgress::~CTerminalProgress() {
    ProgressClose();
}

bool CTerminalProgress::ProgressCreate(HWND, int) {
    g_cancelPressed.store(false);
    struct sigaction action = {};
    action.sa_handler = PressCancel;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGINT, &action, &g_previousAction) != 0) {
        return false;
    }
    open_ = true;
    return true;
}

void CTerminalProgress::ProgressSetText(const std::string& text) {
    text_ = text;
    Draw(true);
}

void CTerminalProgress::ProgressSetRange(int steps) {
    range_ = steps;
    position_ = 0;
    Draw(true);
}

void CTerminalProgress::ProgressExtendRange(int steps) {
    range_ += steps;
    Draw(true);
}

void CTerminalProgress::ProgressStep() {
    ++position_;
    Draw(false);
}

bool CTerminalProgress::ProgressCancelled() {
    return g_cancelPressed.load();
}

bool CTerminalProgress::ProgressTakeHelpRequest() {
    return false;
}

void CTerminalProgress::ProgressClose() {
    if (!open_) {
        return;
    }
    sigaction(SIGINT, &g_previousAction, nullptr);
    open_ = false;
    if (draw_ && drawnPercent_ >= 0) {
        out_ << "\n" << std::flush;
    }
}

// Redraws when the percentage changed (or when forced), so that a large run
// does not flood the terminal.
void CTerminalProgress::Draw(bool force) {
    if (!draw_ || !open_) {
        return;
    }
    int percent = range_ > 0 ? static_cast<int>(100LL * position_ / range_) : 0;
    if (!force && percent == drawnPercent_) {
        return;
    }
    drawnPercent_ = percent;
    int filled = kBarWidth * percent / 100;
    out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << position_
         << "/" << range_ << " " << text_ << std::flush;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
