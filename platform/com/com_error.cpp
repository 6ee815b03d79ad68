#include "platform/com/com_error.h"

#include "platform/win32/code_page.h"

#include <cstdio>

namespace {

const char* KnownText(HRESULT hr) {
    switch (hr) {
    case E_NOTIMPL:
        return "Not implemented";
    case E_NOINTERFACE:
        return "No such interface supported";
    case E_POINTER:
        return "Invalid pointer";
    case E_ABORT:
        return "Operation aborted";
    case E_FAIL:
        return "Unspecified error";
    case E_UNEXPECTED:
        return "Catastrophic failure";
    case E_ACCESSDENIED:
        return "Access is denied";
    case E_OUTOFMEMORY:
        return "Out of memory";
    case E_INVALIDARG:
        return "The parameter is incorrect";
    case DISP_E_PARAMNOTFOUND:
        return "Parameter not found";
    case DISP_E_TYPEMISMATCH:
        return "Type mismatch";
    case DISP_E_BADINDEX:
        return "Invalid index";
    case DISP_E_EXCEPTION:
        return "Exception occurred";
    case DISP_E_OVERFLOW:
        return "Out of present range";
    case REGDB_E_CLASSNOTREG:
        return "Class not registered";
    case CO_E_CLASSSTRING:
        return "Invalid class string";
    case MAPI_E_NOT_FOUND:
        return "The property was not found";
    case STG_E_MEDIUMFULL:
        return "There is insufficient disk space";
    default:
        return nullptr;
    }
}

} // namespace

_com_error::_com_error(HRESULT hr, std::u16string description)
    : hr_(hr), description_(std::move(description)) {}

std::string _com_error::ErrorMessage() const {
    if (!description_.empty()) {
        return WideToMultiByte(CP_UTF8, description_).value_or(std::string());
    }
    if (const char* text = KnownText(hr_)) {
        return text;
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "Unknown error 0x%08X", static_cast<unsigned>(hr_));
    return buffer;
}

void ThrowIfFailed(HRESULT hr, const char16_t* description) {
    if (FAILED(hr)) {
        throw _com_error(hr, description);
    }
}
