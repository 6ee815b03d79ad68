#include "engine/common/save_batch.h"

#include "platform/com/com_error.h"

#include <algorithm>

SaveBatch::SaveBatch(const CComPtr<IUnknown>& store, FailureSink fail, int maxItems)
    : store_(QueryInterface<ISaveBatching>(store)), fail_(std::move(fail)), maxItems_(maxItems) {
    Open();
}

int SaveBatch::ItemsPerBatch(int runItems) {
    return std::clamp(runItems / 5, kMaxItems, 4 * kMaxItems);
}

SaveBatch::~SaveBatch() {
    Commit();
}

void SaveBatch::Open() {
    if (!store_ || open_) {
        return;
    }
    try {
        store_->BeginSaveBatch();
        open_ = true;
    } catch (const _com_error& e) {
        // Every save is then a transaction of its own, for the rest of the
        // run: a store that cannot be locked now is not asked again per item.
        fail_("Cannot batch saves: _com_error(" + e.ErrorMessage() + ")", e.Error(), 0);
        store_ = nullptr;
    }
    items_ = 0;
    saved_ = 0;
    opened_ = std::chrono::steady_clock::now();
}

void SaveBatch::NextItem() {
    if (!store_) {
        return;
    }
    if (open_ && (items_ >= maxItems_ || std::chrono::steady_clock::now() - opened_ >= kMaxAge)) {
        Commit();
    }
    Open();
    ++items_;
}

void SaveBatch::ItemSaved() {
    if (open_) {
        ++saved_;
    }
}

void SaveBatch::Commit() {
    if (!open_) {
        return;
    }
    open_ = false;
    try {
        store_->CommitSaveBatch();
    } catch (const _com_error& e) {
        fail_("Cannot commit " + std::to_string(saved_) + " saved items: _com_error(" +
                  e.ErrorMessage() + ")",
              e.Error(), saved_);
    }
}
