#pragma once
// CTerminalProgress: the progress window of a command-line run. When its
// stream is a terminal it draws a bar there ("[#####.....]  52/100 text"),
// otherwise nothing; Ctrl-C during the run presses Cancel instead of
// ending the program, so that the run can count what it did not do.

#include "engine/common/progress_window.h"

#include <iosfwd>
#include <string>

class CTerminalProgress : public IProgressWindow {
public:
    // draw: whether to draw the bar (the stream is a terminal).
    CTerminalProgress(std::ostream& out, bool draw);
    ~CTerminalProgress() override;
    CTerminalProgress(const CTerminalProgress&) = delete;
    CTerminalProgress& operator=(const CTerminalProgress&) = delete;

    // Starts catching Ctrl-C (SIGINT) until ProgressClose.
    bool ProgressCreate(HWND parent, int dialogId) override;
    void ProgressSetText(const std::string& text) override;
    void ProgressSetRange(int steps) override;
    void ProgressExtendRange(int steps) override;
    void ProgressStep() override;
    bool ProgressCancelled() override;
    // A terminal has no help button: never.
    bool ProgressTakeHelpRequest() override;
    void ProgressClose() override;

private:
    void Draw(bool force);

    std::ostream& out_;
    bool draw_;
    bool open_ = false;
    std::string text_;
    int range_ = 0;
    int position_ = 0;
    int drawnPercent_ = -1;
};

// Whether standard error is a terminal.
bool StandardErrorIsTerminal();
