#include "platform/com/variant.h"

#include "platform/com/com_error.h"

#include <cstdint>
#include <limits>

namespace {

bool IsInteger(VARTYPE vt) {
    switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI4:
    case VT_BOOL:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void Mismatch() {
    throw _com_error(DISP_E_TYPEMISMATCH);
}

template <typename Int>
Int Narrowed(long long value) {
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        throw _com_error(DISP_E_OVERFLOW);
    }
    return static_cast<Int>(value);
}

} // namespace

_variant_t::_variant_t(LONG value, VARTYPE vt) : vt_(vt), value_(static_cast<long long>(value)) {
    if (vt == VT_BOOL) {
        value_ = static_cast<long long>(value != 0 ? VARIANT_TRUE : VARIANT_FALSE);
    } else if (vt != VT_I4 && vt != VT_INT && vt != VT_ERROR) {
        throw _com_error(E_INVALIDARG, u"A 32-bit integer variant must be VT_I4, VT_INT, "
                                       u"VT_BOOL or VT_ERROR");
    }
}

_variant_t::_variant_t(double value, VARTYPE vt) : vt_(vt), value_(value) {
    if (vt != VT_R8 && vt != VT_DATE) {
        throw _com_error(E_INVALIDARG, u"A floating-point variant must be VT_R8 or VT_DATE");
    }
}

bool _variant_t::IsMissing() const {
    return vt_ == VT_ERROR && std::get<long long>(value_) == DISP_E_PARAMNOTFOUND;
}

long long _variant_t::Integer() const {
    if (!IsInteger(vt_)) {
        Mismatch();
    }
    return std::get<long long>(value_);
}

short _variant_t::ToShort() const {
    return Narrowed<short>(Integer());
}

LONG _variant_t::ToLong() const {
    return Narrowed<LONG>(Integer());
}

DWORD _variant_t::ToULong() const {
    return Narrowed<DWORD>(Integer());
}

bool _variant_t::ToBool() const {
    return Integer() != 0;
}

double _variant_t::ToDouble() const {
    if (vt_ == VT_R8 || vt_ == VT_DATE) {
        return std::get<double>(value_);
    }
    return static_cast<double>(Integer());
}

DATE _variant_t::ToDate() const {
    if (vt_ != VT_R8 && vt_ != VT_DATE) {
        Mismatch();
    }
    return std::get<double>(value_);
}

const std::u16string& _variant_t::ToString() const {
    if (vt_ != VT_BSTR) {
        Mismatch();
    }
    return std::get<std::u16string>(value_);
}

const std::vector<BYTE>& _variant_t::ToBytes() const {
    if (vt_ != (VT_ARRAY | VT_UI1)) {
        Mismatch();
    }
    return std::get<std::vector<BYTE>>(value_);
}

CComPtr<IUnknown> _variant_t::ToObject() const {
    if (vt_ != VT_DISPATCH) {
        Mismatch();
    }
    return std::get<CComPtr<IUnknown>>(value_);
}
