#pragma once
// Batched saving: an optional service of the calendar store that binds the
// saves and deletes of a long run (an import) into batches made durable
// together, and the guard the engines drive it with. A batch holds the
// store's write lock, so it is committed often, and always before the run
// waits for the user.
//
//   SaveBatch batch(options.Application, log);
//   for (...) { batch.NextItem(); item->Save(); batch.ItemSaved(); }
//   batch.Commit();   // before a message box; the next save opens a new batch

#include "platform/com/com_ptr.h"

#include <chrono>
#include <functional>
#include <string>

class ISaveBatching : public virtual IUnknown {
public:
    // Binds the saves and deletes that follow into one batch; does nothing
    // while a batch is open. Raises _com_error when the store cannot be
    // locked for writing.
    virtual void BeginSaveBatch() = 0;
    // Makes the batch's saves and deletes durable and closes it; does
    // nothing without an open batch. Raises _com_error when the batch could
    // not be kept (the store then holds none of it).
    virtual void CommitSaveBatch() = 0;
};

class SaveBatch {
public:
    // Up to this many items (more in a long run, see ItemsPerBatch), or
    // this long, go into one batch.
    static constexpr int kMaxItems = 5000;
    static constexpr std::chrono::milliseconds kMaxAge{1000};

    // The items per batch of a run of this many: a fifth of the run, from
    // kMaxItems up to four times as many. A batch rewrites every index page
    // its saves touch, and the saves of a long run touch the same pages in
    // batch after batch; fewer, larger batches write each of them less often.
    // The pages a batch changes are held until its commit, within the
    // store's page cache.
    static int ItemsPerBatch(int runItems);

    // Store failures are reported as texts through fail, with the number of
    // items counted as saved that the failure took away (a batch that could
    // not be committed keeps none of its saves).
    using FailureSink = std::function<void(const std::string& text, LONG code, int lostItems)>;

    // Opens a batch when the object (the application) offers the service.
    SaveBatch(const CComPtr<IUnknown>& store, FailureSink fail, int maxItems = kMaxItems);
    // Commits the open batch.
    ~SaveBatch();
    SaveBatch(const SaveBatch&) = delete;
    SaveBatch& operator=(const SaveBatch&) = delete;

    // Called before each item: commits the batch when it is full or old,
    // and opens one when none is open.
    void NextItem();
    // Counts one item saved in the open batch.
    void ItemSaved();
    // Commits the open batch; the next NextItem opens another.
    void Commit();

private:
    void Open();

    CComPtr<ISaveBatching> store_;
    FailureSink fail_;
    int maxItems_;
    bool open_ = false;
    int items_ = 0;
    int saved_ = 0;
    std::chrono::steady_clock::time_point opened_;
};
