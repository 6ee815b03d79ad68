#pragma once
// The progress window as the export and import drivers use it: created once
// per run, told the text and the number of steps, asked once per item
// whether the user cancelled or asked for help, stepped, and closed. The
// wizard's progress dialog and the command line's terminal bar implement it.
//
//   if (!progress.ProgressCreate(parent, 239)) return -1;
//   progress.ProgressSetText(LanguageText("IDS_PROGR_EXPORT"));
//   progress.ProgressSetRange(count);
//   for (...) { if (progress.ProgressCancelled()) break; ...; progress.ProgressStep(); }
//   progress.ProgressClose();

#include "platform/win32/message_box.h"

#include <string>

class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;

    // Shows the window (dialog 239 for an export, 245 for an import); false
    // when it cannot be started.
    virtual bool ProgressCreate(HWND parent, int dialogId) = 0;
    virtual void ProgressSetText(const std::string& text) = 0;
    // Range 0..steps, position 0.
    virtual void ProgressSetRange(int steps) = 0;
    // Adds steps to the range and keeps the position.
    virtual void ProgressExtendRange(int steps) = 0;
    virtual void ProgressStep() = 0;
    // Whether the user pressed Cancel.
    virtual bool ProgressCancelled() = 0;
    // Whether the user asked for help since the last call (the request is
    // taken, so each one is answered once).
    virtual bool ProgressTakeHelpRequest() = 0;
    virtual void ProgressClose() = 0;
};
