#pragma once
// _variant_t: a value of one of the automation types, tagged with its VARTYPE.
// Collection indexes, MAPI property values and optional arguments travel as
// variants:
//
//   items->Item(_variant_t(1, VT_INT));        // 1-based index
//   _variant_t label = safeItem->Fields(tag);  // VT_I4
//   LONG n = label.ToLong();                   // _com_error(DISP_E_TYPEMISMATCH) on text

#include "platform/com/com_ptr.h"
#include "platform/com/hresult.h"
#include "platform/com/ole_date_time.h"
#include "platform/com/unknown.h"

#include <string>
#include <variant>
#include <vector>

using VARTYPE = WORD;
using VARIANT_BOOL = short;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_INT = 22;
inline constexpr VARTYPE VT_ARRAY = 0x2000;

class _variant_t {
public:
    _variant_t() = default;
    _variant_t(short value) : _variant_t(Integral{}, VT_I2, value) {}
    // VT_I4, VT_INT, VT_BOOL (non-zero is VARIANT_TRUE) or VT_ERROR (an HRESULT).
    _variant_t(LONG value, VARTYPE vt = VT_I4);
    _variant_t(DWORD value) : _variant_t(Integral{}, VT_UI4, value) {}
    _variant_t(BYTE value) : _variant_t(Integral{}, VT_UI1, value) {}
    _variant_t(bool value)
        : _variant_t(Integral{}, VT_BOOL, value ? VARIANT_TRUE : VARIANT_FALSE) {}
    // VT_R8 or VT_DATE.
    _variant_t(double value, VARTYPE vt = VT_R8);
    _variant_t(const char16_t* text) : _variant_t(std::u16string(text)) {}
    _variant_t(std::u16string text) : vt_(VT_BSTR), value_(std::move(text)) {}
    // Narrow text has no code page here; convert it to wide text first.
    _variant_t(const char* text) = delete;
    // VT_ARRAY | VT_UI1.
    _variant_t(std::vector<BYTE> bytes) : vt_(VT_ARRAY | VT_UI1), value_(std::move(bytes)) {}
    // VT_DISPATCH holding a counted reference (an empty one is allowed).
    _variant_t(CComPtr<IUnknown> object) : vt_(VT_DISPATCH), value_(std::move(object)) {}
    _variant_t(IUnknown* object) : _variant_t(CComPtr<IUnknown>(object)) {}

    VARTYPE Type() const { return vt_; }
    bool IsEmpty() const { return vt_ == VT_EMPTY; }
    // The VT_ERROR variant that stands for an optional argument left out.
    bool IsMissing() const;

    // Readers. Integer types (VT_I2, VT_I4, VT_INT, VT_UI1, VT_UI4, VT_BOOL)
    // convert among themselves; a value that does not fit raises
    // DISP_E_OVERFLOW, any other type DISP_E_TYPEMISMATCH.
    short ToShort() const;
    LONG ToLong() const;
    DWORD ToULong() const;
    // Integers: non-zero is true.
    bool ToBool() const;
    // VT_R8, VT_DATE and the integer types.
    double ToDouble() const;
    // VT_DATE and VT_R8.
    DATE ToDate() const;
    // VT_BSTR only.
    const std::u16string& ToString() const;
    // VT_ARRAY | VT_UI1 only.
    const std::vector<BYTE>& ToBytes() const;
    // VT_DISPATCH only; may be empty.
    CComPtr<IUnknown> ToObject() const;

    // The same type and the same value (the same object for VT_DISPATCH).
    bool operator==(const _variant_t& other) const = default;

private:
    using Value = std::variant<std::monostate, long long, double, std::u16string, std::vector<BYTE>,
                               CComPtr<IUnknown>>;

    struct Integral {};
    _variant_t(Integral, VARTYPE vt, long long value) : vt_(vt), value_(value) {}
    long long Integer() const;

    VARTYPE vt_ = VT_EMPTY;
    Value value_;
};

// The argument passed for an optional parameter left out.
inline const _variant_t vtMissing(DISP_E_PARAMNOTFOUND, VT_ERROR);
