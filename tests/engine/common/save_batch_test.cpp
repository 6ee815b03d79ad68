// The batches a run's saves are bound into: when a batch is committed and a
// new one opened, how large they grow with the run, and what a commit that
// fails reports.

#include "engine/common/save_batch.h"
#include "platform/com/com_error.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A store that records the size of each committed batch.
class CountingStore : public ISaveBatching {
public:
    void BeginSaveBatch() override { open_ = true; }
    void CommitSaveBatch() override {
        if (failNext_) {
            failNext_ = false;
            pending = 0;
            open_ = false;
            throw _com_error(E_FAIL, u"The disk is full.");
        }
        committed.push_back(pending);
        pending = 0;
        open_ = false;
    }
    void Save() {
        ASSERT_TRUE(open_);
        ++pending;
    }
    void FailNextCommit() { failNext_ = true; }

    std::vector<int> committed;
    int pending = 0;

private:
    bool open_ = false;
    bool failNext_ = false;
};

// Saves the items, each as the engines do, then commits.
void SaveItems(SaveBatch& batch, CountingStore& store, int items) {
    for (int i = 0; i < items; ++i) {
        batch.NextItem();
        store.Save();
        batch.ItemSaved();
    }
    batch.Commit();
}

TEST(SaveBatch, ABatchIsCommittedWhenItHoldsItsItems) {
    CComPtr<CountingStore> store = MakeComObject<CountingStore>();
    SaveBatch batch(
        store, [](const std::string& text, LONG, int) { ADD_FAILURE() << text; }, 3);
    SaveItems(batch, *store, 8);
    EXPECT_EQ(store->committed, (std::vector<int>{3, 3, 2}));
}

TEST(SaveBatch, BatchesGrowWithALongRunUpToFourTimesTheLeast) {
    const int least = SaveBatch::kMaxItems;
    EXPECT_EQ(SaveBatch::ItemsPerBatch(0), least);
    EXPECT_EQ(SaveBatch::ItemsPerBatch(5 * least), least);
    EXPECT_EQ(SaveBatch::ItemsPerBatch(10 * least), 2 * least);
    EXPECT_EQ(SaveBatch::ItemsPerBatch(20 * least), 4 * least);
    EXPECT_EQ(SaveBatch::ItemsPerBatch(1000 * least), 4 * least);
}

TEST(SaveBatch, ACommitThatFailsReportsTheItemsItLost) {
    CComPtr<CountingStore> store = MakeComObject<CountingStore>();
    std::vector<int> lost;
    SaveBatch batch(
        store, [&](const std::string&, LONG, int items) { lost.push_back(items); }, 4);
    store->FailNextCommit();
    SaveItems(batch, *store, 8);
    EXPECT_EQ(lost, (std::vector<int>{4}));
    EXPECT_EQ(store->committed, (std::vector<int>{4}));
}

} // namespace
