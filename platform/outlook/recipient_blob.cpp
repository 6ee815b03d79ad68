#include "platform/outlook/recipient_blob.h"

#include "platform/outlook/little_endian.h"

namespace {

constexpr size_t kHeaderSize = 12;

} // namespace

void EncodeRecipients(const std::vector<RecipientRecord>& recipients,
                      std::vector<std::uint8_t>& bytes) {
    size_t size = 0;
    for (const RecipientRecord& recipient : recipients) {
        size += kHeaderSize + 2 * (recipient.name.size() + recipient.address.size());
    }
    bytes.resize(size);
    std::uint8_t* out = bytes.data();
    for (const RecipientRecord& recipient : recipients) {
        out = PutLittleEndian(out, static_cast<std::uint32_t>(recipient.type), 4);
        out = PutLittleEndian(out, recipient.name.size(), 4);
        out = PutLittleEndian(out, recipient.address.size(), 4);
        out = PutUtf16(PutUtf16(out, recipient.name), recipient.address);
    }
}

bool DecodeRecipients(std::span<const std::uint8_t> bytes,
                      std::vector<RecipientRecord>& recipients) {
    recipients.clear();
    while (!bytes.empty()) {
        if (bytes.size() < kHeaderSize) {
            return false;
        }
        RecipientRecord recipient;
        recipient.type =
            static_cast<LONG>(static_cast<std::int32_t>(GetLittleEndian(bytes.data(), 4)));
        const std::uint64_t name = 2 * GetLittleEndian(bytes.data() + 4, 4);
        const std::uint64_t address = 2 * GetLittleEndian(bytes.data() + 8, 4);
        bytes = bytes.subspan(kHeaderSize);
        if (name > bytes.size() || address > bytes.size() - name ||
            !GetUtf16(bytes.first(name), recipient.name) ||
            !GetUtf16(bytes.subspan(name, address), recipient.address)) {
            return false;
        }
        recipients.push_back(std::move(recipient));
        bytes = bytes.subspan(name + address);
    }
    return true;
}
