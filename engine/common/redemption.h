#pragma once
// The Redemption library's objects as the engines use them: SafeAppointmentItem
// (reads an appointment's fields, body and recipients without security
// prompts) and MAPIUtils (named properties and raw MAPI property access).
// They are created by ProgID and may be missing: CreateRedemptionObject then
// fails, and the engines go on without them.
//
//   CComPtr<IMAPIUtils> utils;
//   if (SUCCEEDED(CreateRedemptionObject(u"Redemption.MapiUtils", utils))) {
//       LONG tag = utils->GetIDsFromNames(item, PSETID_Meeting, dispidGlobalObjectId, false);
//       _variant_t uid = utils->HrGetOneProp(item, tag | PT_BINARY);
//   }

#include "platform/com/com_ptr.h"
#include "platform/com/hresult.h"
#include "platform/com/variant.h"

#include <functional>
#include <string>
#include <string_view>

class ISafeRecipient;
class ISafeRecipients;

class ISafeAppointmentItem : public virtual IUnknown {
public:
    // The Outlook appointment the object reads.
    virtual CComPtr<IUnknown> GetItem() = 0;
    virtual void PutItem(const CComPtr<IUnknown>& item) = 0;
    // A property of the item by tag; empty when the item does not have it.
    virtual _variant_t GetFields(LONG tag) = 0;
    // The tag (type part 0) of a named property, mapped on request.
    virtual LONG GetIDsFromNames(std::u16string_view setGuid, LONG id) = 0;
    virtual std::u16string GetBody() = 0;
    virtual CComPtr<ISafeRecipients> GetRecipients() = 0;
};

class ISafeRecipients : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    virtual CComPtr<ISafeRecipient> Item(const _variant_t& index) = 0;
};

class ISafeRecipient : public virtual IUnknown {
public:
    virtual std::u16string GetName() = 0;
    virtual std::u16string GetAddress() = 0;
    // 0 organizer, 1 required, 2 optional, 3 resource.
    virtual LONG GetType() = 0;
};

class IMAPIUtils : public virtual IUnknown {
public:
    // The tag (type part 0) of the named property (set GUID text, id) in the
    // item's store; 0 when it has no mapping and create is false.
    virtual LONG GetIDsFromNames(const CComPtr<IUnknown>& item, std::u16string_view setGuid,
                                 LONG id, bool create) = 0;
    // The property by full tag (type part included): VT_I4 for PT_LONG, VT_BSTR
    // for text, VT_ARRAY | VT_UI1 for PT_BINARY, VT_DATE (UTC) for PT_SYSTIME.
    // Raises _com_error(MAPI_E_NOT_FOUND) when the item does not have it.
    virtual _variant_t HrGetOneProp(const CComPtr<IUnknown>& item, LONG tag) = 0;
    // Writes the property; with save, a stored item is saved at once.
    virtual void HrSetOneProp(const CComPtr<IUnknown>& item, LONG tag, const _variant_t& value,
                              bool save = true) = 0;
    // Bytes as upper-case hex text.
    virtual std::u16string HrArrayToString(const _variant_t& bytes) = 0;
    // Hex text back to bytes; any other text becomes its own bytes.
    virtual _variant_t HrStringToArray(const std::u16string& text) = 0;
};

inline constexpr const char16_t* kProgIdSafeAppointmentItem = u"Redemption.SafeAppointmentItem";
inline constexpr const char16_t* kProgIdMapiUtils = u"Redemption.MapiUtils";

// What the host installs to make objects by ProgID; it answers empty for a
// ProgID it does not know.
using RedemptionFactory = std::function<CComPtr<IUnknown>(std::u16string_view progId)>;
// Installs the maker (an empty function removes it: Redemption is missing).
void SetRedemptionFactory(RedemptionFactory factory);

// A new object for the ProgID: S_OK, or REGDB_E_CLASSNOTREG when nothing can
// make it, or E_NOINTERFACE when the object is not a T.
HRESULT CreateRedemptionObject(std::u16string_view progId, CComPtr<IUnknown>& object);
template <typename T>
HRESULT CreateRedemptionObject(std::u16string_view progId, CComPtr<T>& object) {
    CComPtr<IUnknown> any;
    HRESULT hr = CreateRedemptionObject(progId, any);
    if (FAILED(hr)) {
        return hr;
    }
    object = QueryInterface<T>(any);
    return object ? S_OK : E_NOINTERFACE;
}
