#pragma once
// Outlook's mail item with its attachments, as the export finish page uses it
// to mail the written files.

#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"

#include <string>

class Attachment;
class Attachments;

class _MailItem : public virtual IUnknown {
public:
    // olMail.
    virtual LONG GetClass() = 0;
    virtual std::u16string GetSubject() = 0;
    virtual void PutSubject(const std::u16string& value) = 0;
    virtual std::u16string GetBody() = 0;
    virtual void PutBody(const std::u16string& value) = 0;
    virtual CComPtr<Attachments> GetAttachments() = 0;
    // Shows the mail to the user (not modal when modal is false).
    virtual void Display(const _variant_t& modal = vtMissing) = 0;
};

class Attachments : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    virtual CComPtr<Attachment> Item(const _variant_t& index) = 0;
    // Attaches the file at source (a text variant); raises _com_error when
    // the file cannot be read.
    virtual CComPtr<Attachment> Add(const _variant_t& source, const _variant_t& type = vtMissing,
                                    const _variant_t& position = vtMissing,
                                    const _variant_t& displayName = vtMissing) = 0;
};

class Attachment : public virtual IUnknown {
public:
    // The file's name without its folder.
    virtual std::u16string GetFileName() = 0;
    virtual std::u16string GetPathName() = 0;
    virtual LONG GetSize() = 0;
};
