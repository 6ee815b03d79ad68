#include "engine/common/outlook_constants.h"
#include "engine/common/redemption.h"
#include "platform/com/com_error.h"
#include "platform/com/guid.h"
#include "platform/outlook/outlook_objects.h"

#include <cstring>

namespace {

bool IsText(LONG type) {
    return type == PT_STRING8 || type == PT_UNICODE;
}

// The stored value read as the tag's type; nothing when the types differ.
std::optional<_variant_t> ToVariant(PropValue value, LONG wanted) {
    const LONG type = wanted == PT_UNSPECIFIED ? value.type : wanted;
    if (type != value.type && !(IsText(type) && IsText(value.type))) {
        return std::nullopt;
    }
    switch (value.type) {
    case PT_LONG:
        return _variant_t(static_cast<LONG>(value.number));
    case PT_BOOLEAN:
        return _variant_t(value.number != 0);
    case PT_BINARY:
        return _variant_t(std::move(value.bytes));
    case PT_SYSTIME:
        return _variant_t(SecondsToDate(value.number), VT_DATE);
    default:
        return _variant_t(std::move(value.text));
    }
}

// The item's property as the tag's type; nothing when it has none of it.
std::optional<_variant_t> PropertyVariant(AppointmentItemImpl& item, LONG tag) {
    std::optional<PropValue> value = item.GetProperty(PROP_ID(tag));
    return value ? ToVariant(std::move(*value), PROP_TYPE(tag)) : std::nullopt;
}

LONG TypeOfVariant(const _variant_t& value) {
    switch (value.Type()) {
    case VT_BSTR:
        return PT_UNICODE;
    case VT_DATE:
        return PT_SYSTIME;
    case VT_BOOL:
        return PT_BOOLEAN;
    case VT_ARRAY | VT_UI1:
        return PT_BINARY;
    default:
        return PT_LONG;
    }
}

PropValue FromVariant(const _variant_t& value, LONG tagType) {
    PropValue prop;
    prop.type = tagType == PT_UNSPECIFIED ? TypeOfVariant(value) : tagType;
    switch (prop.type) {
    case PT_LONG:
        prop.number = value.ToLong();
        break;
    case PT_BOOLEAN:
        prop.number = value.ToBool();
        break;
    case PT_BINARY:
        prop.bytes = value.ToBytes();
        break;
    case PT_SYSTIME:
        prop.number = DateToSeconds(value.ToDate());
        break;
    case PT_STRING8:
    case PT_UNICODE:
        prop.text = value.ToString();
        break;
    default:
        throw _com_error(MAPI_E_CALL_FAILED, u"This property type cannot be written.");
    }
    return prop;
}

bool IsUpperHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// Whether the text is a GUID in the store's form: braced, upper-case hex
// digits in groups of 8-4-4-4-12.
bool IsCanonicalGuid(std::u16string_view text) {
    if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') {
        return false;
    }
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != u'-' : !IsUpperHex(text[i])) {
            return false;
        }
    }
    return true;
}

// The set GUID in the store's form (upper case, braced), written into the
// caller's buffer, which keeps its room from call to call; the set constants
// are in that form already and are copied as they are.
const std::u16string& CanonicalGuid(std::u16string_view text, std::u16string& buffer) {
    // The buffer holds canonical forms only: the same text again is one.
    if (text.size() == buffer.size() &&
        std::memcmp(text.data(), buffer.data(), text.size() * sizeof(char16_t)) == 0) {
        return buffer;
    }
    if (IsCanonicalGuid(text)) {
        buffer.assign(text);
    } else {
        buffer = GuidToWideString(GuidFromString(std::string(text.begin(), text.end())));
    }
    return buffer;
}

LONG MapName(AppointmentItemImpl& item, std::u16string_view setGuid, LONG id, bool create,
             std::u16string& buffer) {
    return PROP_TAG(PT_UNSPECIFIED,
                    item.Store().NamedPropId(CanonicalGuid(setGuid, buffer), id, create));
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

std::vector<BYTE> Utf8Bytes(const std::u16string& text) {
    std::vector<BYTE> out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<BYTE>(c));
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x800) {
            out.insert(out.end(),
                       {static_cast<BYTE>(0xC0 | (c >> 6)), static_cast<BYTE>(0x80 | (c & 0x3F))});
        } else if (c < 0x10000) {
            out.insert(out.end(), {static_cast<BYTE>(0xE0 | (c >> 12)),
                                   static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F)),
                                   static_cast<BYTE>(0x80 | (c & 0x3F))});
        } else {
            out.insert(out.end(), {static_cast<BYTE>(0xF0 | (c >> 18)),
                                   static_cast<BYTE>(0x80 | ((c >> 12) & 0x3F)),
                                   static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F)),
                                   static_cast<BYTE>(0x80 | (c & 0x3F))});
        }
    }
    return out;
}

// The bytes that hex text stands for; nothing when the text is not hex.
std::optional<std::vector<BYTE>> HexBytes(const std::u16string& text) {
    if (text.empty() || text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return bytes;
}

class SafeRecipientImpl : public ISafeRecipient {
public:
    explicit SafeRecipientImpl(CComPtr<Recipient> recipient) : recipient_(std::move(recipient)) {}
    std::u16string GetName() override { return recipient_->GetName(); }
    std::u16string GetAddress() override { return recipient_->GetAddress(); }
    LONG GetType() override { return recipient_->GetType(); }

private:
    CComPtr<Recipient> recipient_;
};

class SafeRecipientsImpl : public ISafeRecipients {
public:
    explicit SafeRecipientsImpl(CComPtr<Recipients> recipients)
        : recipients_(std::move(recipients)) {}
    LONG GetCount() override { return recipients_->GetCount(); }
    CComPtr<ISafeRecipient> Item(const _variant_t& index) override {
        return MakeComObject<SafeRecipientImpl>(recipients_->Item(index));
    }

private:
    CComPtr<Recipients> recipients_;
};

class SafeAppointmentItemImpl : public ISafeAppointmentItem {
public:
    CComPtr<IUnknown> GetItem() override { return item_; }
    void PutItem(const CComPtr<IUnknown>& item) override { item_ = item; }
    _variant_t GetFields(LONG tag) override {
        std::optional<_variant_t> variant = PropertyVariant(Item(), tag);
        return variant ? std::move(*variant) : _variant_t();
    }
    LONG GetIDsFromNames(std::u16string_view setGuid, LONG id) override {
        return MapName(Item(), setGuid, id, true, guid_);
    }
    std::u16string GetBody() override { return Appointment()->GetBody(); }
    CComPtr<ISafeRecipients> GetRecipients() override {
        return MakeComObject<SafeRecipientsImpl>(Appointment()->GetRecipients());
    }

private:
    AppointmentItemImpl& Item() {
        if (!item_) {
            throw _com_error(E_POINTER, u"No item has been given to the safe item.");
        }
        return StoreItemOf(item_);
    }
    CComPtr<_AppointmentItem> Appointment() {
        Item();
        return QueryInterface<_AppointmentItem>(item_);
    }

    CComPtr<IUnknown> item_;
    std::u16string guid_;
};

class MapiUtilsImpl : public IMAPIUtils {
public:
    LONG GetIDsFromNames(const CComPtr<IUnknown>& item, std::u16string_view setGuid, LONG id,
                         bool create) override {
        return MapName(StoreItemOf(item), setGuid, id, create, guid_);
    }
    _variant_t HrGetOneProp(const CComPtr<IUnknown>& item, LONG tag) override {
        {
            std::optional<_variant_t> variant = PropertyVariant(StoreItemOf(item), tag);
            if (variant) {
                return std::move(*variant);
            }
        }
        // Raised with nothing left to destroy here: the import asks for a
        // property a new appointment lacks once per zone it sets, and an
        // unwind that stops in this frame on the way costs as much again.
        throw _com_error(MAPI_E_NOT_FOUND, u"The item does not have this property.");
    }
    void HrSetOneProp(const CComPtr<IUnknown>& item, LONG tag, const _variant_t& value,
                      bool save) override {
        AppointmentItemImpl& target = StoreItemOf(item);
        target.SetProperty(PROP_ID(tag), FromVariant(value, PROP_TYPE(tag)));
        if (save && target.Record().id != 0) {
            target.Save();
        }
    }
    std::u16string HrArrayToString(const _variant_t& bytes) override {
        static const char16_t kHex[] = u"0123456789ABCDEF";
        const std::vector<BYTE>& data = bytes.ToBytes();
        std::u16string text(data.size() * 2, u'0');
        for (size_t i = 0; i < data.size(); ++i) {
            text[2 * i] = kHex[data[i] >> 4];
            text[2 * i + 1] = kHex[data[i] & 15];
        }
        return text;
    }
    _variant_t HrStringToArray(const std::u16string& text) override {
        std::optional<std::vector<BYTE>> hex = HexBytes(text);
        return _variant_t(hex ? std::move(*hex) : Utf8Bytes(text));
    }

private:
    std::u16string guid_;
};

} // namespace

CComPtr<IUnknown> CreateStoreRedemptionObject(std::u16string_view progId) {
    if (progId == kProgIdSafeAppointmentItem) {
        return MakeComObject<SafeAppointmentItemImpl>();
    }
    if (progId == kProgIdMapiUtils) {
        return MakeComObject<MapiUtilsImpl>();
    }
    return nullptr;
}
