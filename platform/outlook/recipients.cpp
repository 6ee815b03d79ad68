#include "platform/com/com_error.h"
#include "platform/outlook/outlook_objects.h"

namespace {

class RecipientImpl : public Recipient {
public:
    RecipientImpl(CComPtr<AppointmentItemImpl> item, size_t index)
        : item_(std::move(item)), index_(index) {}

    std::u16string GetName() override { return Record().name; }
    std::u16string GetAddress() override { return Record().address; }
    LONG GetType() override { return Record().type; }
    void PutType(LONG value) override {
        if (value < olOrganizer || value > olResource) {
            ThrowInvalid(u"Type is out of range.");
        }
        Record().type = value;
        item_->MarkChanged(AppointmentItemImpl::Part::Recipients);
    }

private:
    RecipientRecord& Record() {
        std::vector<RecipientRecord>& all = *item_->WithRecipients().recipients;
        if (index_ >= all.size()) {
            throw _com_error(MAPI_E_NOT_FOUND, u"The recipient has been removed.");
        }
        return all[index_];
    }

    CComPtr<AppointmentItemImpl> item_;
    size_t index_;
};

class RecipientsImpl : public Recipients {
public:
    explicit RecipientsImpl(CComPtr<AppointmentItemImpl> item) : item_(std::move(item)) {}

    LONG GetCount() override { return static_cast<LONG>(List().size()); }
    CComPtr<Recipient> Item(const _variant_t& index) override {
        const LONG i = index.ToLong();
        if (i < 1 || i > GetCount()) {
            throw _com_error(DISP_E_BADINDEX, u"There is no recipient at this index.");
        }
        return MakeComObject<RecipientImpl>(item_, static_cast<size_t>(i - 1));
    }
    CComPtr<Recipient> Add(const std::u16string& address) override {
        List().push_back({address, address, olRequired});
        item_->MarkChanged(AppointmentItemImpl::Part::Recipients);
        return MakeComObject<RecipientImpl>(item_, List().size() - 1);
    }

private:
    std::vector<RecipientRecord>& List() { return *item_->WithRecipients().recipients; }

    CComPtr<AppointmentItemImpl> item_;
};

} // namespace

CComPtr<Recipients> MakeRecipients(const CComPtr<AppointmentItemImpl>& item) {
    return MakeComObject<RecipientsImpl>(item);
}

void AddRecipient(const CComPtr<_AppointmentItem>& item, const std::u16string& name,
                  const std::u16string& address, LONG type) {
    if (type < olOrganizer || type > olResource) {
        ThrowInvalid(u"Type is out of range.");
    }
    AppointmentItemImpl& target = StoreItemOf(item);
    target.WithRecipients().recipients->push_back({name, address, type});
    target.MarkChanged(AppointmentItemImpl::Part::Recipients);
}
