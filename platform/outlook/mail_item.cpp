#include "engine/common/outlook_constants.h"
#include "platform/com/com_error.h"
#include "platform/outlook/outlook_objects.h"

#include <sys/stat.h>

namespace {

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c);
    }
    return out;
}

class AttachmentImpl : public Attachment {
public:
    AttachmentImpl(std::u16string path, LONG size) : path_(std::move(path)), size_(size) {}

    std::u16string GetFileName() override {
        const size_t slash = path_.find_last_of(u'/');
        return slash == std::u16string::npos ? path_ : path_.substr(slash + 1);
    }
    std::u16string GetPathName() override { return path_; }
    LONG GetSize() override { return size_; }

private:
    std::u16string path_;
    LONG size_;
};

class AttachmentsImpl : public Attachments {
public:
    LONG GetCount() override { return static_cast<LONG>(list_.size()); }
    CComPtr<Attachment> Item(const _variant_t& index) override {
        const LONG i = index.ToLong();
        if (i < 1 || i > GetCount()) {
            throw _com_error(DISP_E_BADINDEX, u"There is no attachment at this index.");
        }
        return list_[i - 1];
    }
    CComPtr<Attachment> Add(const _variant_t& source, const _variant_t&, const _variant_t&,
                            const _variant_t&) override {
        const std::u16string& path = source.ToString();
        struct stat info;
        if (::stat(Narrow(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            throw _com_error(MAPI_E_NOT_FOUND, u"Cannot attach " + path + u": no such file.");
        }
        list_.push_back(MakeComObject<AttachmentImpl>(path, static_cast<LONG>(info.st_size)));
        return list_.back();
    }

private:
    std::vector<CComPtr<Attachment>> list_;
};

// A new mail; it lives only in memory until the user sends it from the window
// Display opens, which is the host's business.
class MailItemImpl : public _MailItem {
public:
    explicit MailItemImpl(CComPtr<ApplicationImpl> app)
        : app_(std::move(app)), attachments_(MakeComObject<AttachmentsImpl>()) {}

    LONG GetClass() override { return olMail; }
    std::u16string GetSubject() override { return subject_; }
    void PutSubject(const std::u16string& value) override { subject_ = value; }
    std::u16string GetBody() override { return body_; }
    void PutBody(const std::u16string& value) override { body_ = value; }
    CComPtr<Attachments> GetAttachments() override { return attachments_; }
    void Display(const _variant_t&) override {
        if (!app_->Context().hooks.displayMail) {
            throw _com_error(E_NOTIMPL, u"No mail window is available.");
        }
        app_->Context().hooks.displayMail(*this);
    }

private:
    CComPtr<ApplicationImpl> app_;
    CComPtr<Attachments> attachments_;
    std::u16string subject_, body_;
};

} // namespace

CComPtr<IUnknown> ApplicationImpl::CreateItem(LONG itemType) {
    CComPtr<ApplicationImpl> self(this);
    if (itemType == olMailItem) {
        return MakeComObject<MailItemImpl>(self);
    }
    if (itemType == olAppointmentItem) {
        return GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->Add();
    }
    ThrowInvalid(u"Items of this type cannot be created.");
}
