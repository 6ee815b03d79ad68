#include "platform/com/com_error.h"
#include "platform/com/variant.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

class Folder : public IUnknown {};

// The HRESULT the reader raises, S_OK when it raises nothing.
HRESULT ErrorOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return S_OK;
}

TEST(Variant, ConstructorsPickTheirType) {
    EXPECT_EQ(_variant_t().Type(), VT_EMPTY);
    EXPECT_EQ(_variant_t(short{2}).Type(), VT_I2);
    EXPECT_EQ(_variant_t(2).Type(), VT_I4);
    EXPECT_EQ(_variant_t(2, VT_INT).Type(), VT_INT);
    EXPECT_EQ(_variant_t(DWORD{0x8214}).Type(), VT_UI4);
    EXPECT_EQ(_variant_t(BYTE{7}).Type(), VT_UI1);
    EXPECT_EQ(_variant_t(true).Type(), VT_BOOL);
    EXPECT_EQ(_variant_t(1.5).Type(), VT_R8);
    EXPECT_EQ(_variant_t(45351.5, VT_DATE).Type(), VT_DATE);
    EXPECT_EQ(_variant_t(u"text").Type(), VT_BSTR);
    EXPECT_EQ(_variant_t(std::vector<BYTE>{1, 2}).Type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(_variant_t(MakeComObject<Folder>()).Type(), VT_DISPATCH);
    EXPECT_EQ(ErrorOf([] { _variant_t(1, VT_BSTR); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([] { _variant_t(1.0, VT_I4); }), E_INVALIDARG);
}

TEST(Variant, IntegersConvertAmongThemselves) {
    EXPECT_EQ(_variant_t(short{-5}).ToLong(), -5);
    EXPECT_EQ(_variant_t(70000).ToULong(), 70000u);
    EXPECT_EQ(_variant_t(BYTE{200}).ToShort(), 200);
    EXPECT_EQ(_variant_t(DWORD{0x7FFFFFFF}).ToLong(), 0x7FFFFFFF);
    EXPECT_EQ(_variant_t(3, VT_INT).ToLong(), 3);
    EXPECT_EQ(_variant_t(-1).ToDouble(), -1.0);
}

TEST(Variant, IntegersThatDoNotFitOverflow) {
    EXPECT_EQ(ErrorOf([] { _variant_t(DWORD{0x80000000}).ToLong(); }), DISP_E_OVERFLOW);
    EXPECT_EQ(ErrorOf([] { _variant_t(-1).ToULong(); }), DISP_E_OVERFLOW);
    EXPECT_EQ(ErrorOf([] { _variant_t(32768).ToShort(); }), DISP_E_OVERFLOW);
    EXPECT_EQ(_variant_t(-32768).ToShort(), -32768);
}

TEST(Variant, BoolsAndIntegers) {
    EXPECT_EQ(_variant_t(true).ToLong(), VARIANT_TRUE);
    EXPECT_EQ(_variant_t(false).ToLong(), VARIANT_FALSE);
    EXPECT_EQ(_variant_t(5, VT_BOOL).ToShort(), VARIANT_TRUE);
    EXPECT_TRUE(_variant_t(2).ToBool());
    EXPECT_FALSE(_variant_t(BYTE{0}).ToBool());
    EXPECT_EQ(_variant_t(5, VT_BOOL), _variant_t(true));
    EXPECT_EQ(ErrorOf([] { _variant_t(true).ToULong(); }), DISP_E_OVERFLOW);
}

TEST(Variant, DatesAndDoubles) {
    EXPECT_EQ(_variant_t(45351.5, VT_DATE).ToDouble(), 45351.5);
    EXPECT_EQ(_variant_t(-1.25).ToDate(), -1.25);
    EXPECT_EQ(ErrorOf([] { _variant_t(45351).ToDate(); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ErrorOf([] { _variant_t(1.5).ToLong(); }), DISP_E_TYPEMISMATCH);
}

TEST(Variant, WrongTypeIsAMismatch) {
    const _variant_t text(u"Business");
    const _variant_t bytes(std::vector<BYTE>{0x04, 0x00});
    const _variant_t empty;
    EXPECT_EQ(text.ToString(), u"Business");
    EXPECT_EQ(bytes.ToBytes(), (std::vector<BYTE>{0x04, 0x00}));
    for (const _variant_t* v : {&text, &bytes, &empty}) {
        EXPECT_EQ(ErrorOf([v] { v->ToLong(); }), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(ErrorOf([v] { v->ToBool(); }), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(ErrorOf([v] { v->ToDouble(); }), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(ErrorOf([v] { v->ToObject(); }), DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(ErrorOf([&] { bytes.ToString(); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ErrorOf([&] { text.ToBytes(); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ErrorOf([] { _variant_t(7).ToString(); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ErrorOf([] { vtMissing.ToLong(); }), DISP_E_TYPEMISMATCH);
}

TEST(Variant, HoldsACountedReference) {
    CComPtr<Folder> folder = MakeComObject<Folder>();
    CComPtr<IUnknown> back;
    {
        _variant_t v(folder);
        _variant_t copy = v;
        back = copy.ToObject();
    }
    EXPECT_EQ(back, folder);
    EXPECT_EQ(QueryInterface<Folder>(back), folder);
    // Only `folder` and `back` hold it now.
    folder->AddRef();
    EXPECT_EQ(folder->Release(), 2u);
}

TEST(Variant, EqualityNeedsTypeAndValue) {
    EXPECT_EQ(_variant_t(1, VT_INT), _variant_t(1, VT_INT));
    EXPECT_NE(_variant_t(1, VT_INT), _variant_t(1));
    EXPECT_NE(_variant_t(1.0), _variant_t(1.0, VT_DATE));
    EXPECT_NE(_variant_t(u"a"), _variant_t(u"A"));
    EXPECT_EQ(_variant_t(std::u16string(u"a")), _variant_t(u"a"));
    EXPECT_EQ(_variant_t(), _variant_t());
    CComPtr<Folder> one = MakeComObject<Folder>();
    EXPECT_EQ(_variant_t(one), _variant_t(one.get()));
    EXPECT_NE(_variant_t(one), _variant_t(MakeComObject<Folder>()));
}

TEST(Variant, MissingArgument) {
    EXPECT_TRUE(vtMissing.IsMissing());
    EXPECT_EQ(vtMissing.Type(), VT_ERROR);
    EXPECT_FALSE(_variant_t(E_FAIL, VT_ERROR).IsMissing());
    EXPECT_FALSE(_variant_t().IsMissing());
    EXPECT_FALSE(_variant_t(static_cast<LONG>(DISP_E_PARAMNOTFOUND)).IsMissing());
}

} // namespace
