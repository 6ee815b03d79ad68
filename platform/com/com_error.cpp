#include "platform/com/com_error.h"

#include <cstdio>

namespace {

// UTF-16 to UTF-8 without a code page: error messages are for logs and people.
std::string Utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

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
        return Utf8(description_);
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
