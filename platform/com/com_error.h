#pragma once
// _com_error: the exception every failing COM call raises, holding the
// call's HRESULT and a description of what went wrong.

#include "platform/com/hresult.h"

#include <string>

class _com_error {
public:
    explicit _com_error(HRESULT hr, std::u16string description = {});

    HRESULT Error() const { return hr_; }
    // The error's description as wide text (empty when none was given).
    const std::u16string& Description() const { return description_; }
    // A readable message: the description, or the system text of the code.
    std::string ErrorMessage() const;

private:
    HRESULT hr_;
    std::u16string description_;
};

// Throws _com_error(hr, description) when hr is a failure.
void ThrowIfFailed(HRESULT hr, const char16_t* description = u"");
