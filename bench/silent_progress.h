#pragma once
// A progress window for benchmark runs: no user, never cancelled, nothing shown.

#include "engine/common/progress_window.h"

class SilentProgress : public IProgressWindow {
public:
    bool ProgressCreate(HWND, int) override { return true; }
    void ProgressSetText(const std::string&) override {}
    void ProgressSetRange(int) override {}
    void ProgressExtendRange(int) override {}
    void ProgressStep() override {}
    bool ProgressCancelled() override { return false; }
    bool ProgressTakeHelpRequest() override { return false; }
    void ProgressClose() override {}
};
