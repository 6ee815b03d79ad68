#include "platform/com/com_ptr.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

// Counts live objects so that each test can see what its pointers released.
class Item : public IUnknown {
public:
    explicit Item(int& live) : live_(live) { ++live_; }
    ~Item() override { --live_; }
    // The count after one more reference, taken back at once.
    ULONG Refs() {
        AddRef();
        return Release();
    }

private:
    int& live_;
};

class Appointment : public Item {
public:
    using Item::Item;
};

class Folder : public IUnknown {};

TEST(ComPtr, HoldsAndReleases) {
    int live = 0;
    {
        CComPtr<Item> item = MakeComObject<Item>(live);
        EXPECT_EQ(item->Refs(), 1u);
        CComPtr<Item> copy = item;
        EXPECT_EQ(item->Refs(), 2u);
        EXPECT_EQ(copy, item);
        copy.Release();
        EXPECT_FALSE(copy);
        EXPECT_EQ(item->Refs(), 1u);
        EXPECT_EQ(live, 1);
    }
    EXPECT_EQ(live, 0);
}

TEST(ComPtr, MoveTransfersWithoutCounting) {
    int live = 0;
    CComPtr<Item> first = MakeComObject<Item>(live);
    Item* raw = first.get();
    CComPtr<Item> second = std::move(first);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second, raw);
    EXPECT_EQ(second->Refs(), 1u);
    CComPtr<Item> third;
    third = std::move(second);
    EXPECT_EQ(third->Refs(), 1u);
    EXPECT_FALSE(second);
    EXPECT_EQ(live, 1);
}

TEST(ComPtr, AssignmentReleasesTheOldObject) {
    int live = 0;
    CComPtr<Item> a = MakeComObject<Item>(live);
    CComPtr<Item> b = MakeComObject<Item>(live);
    EXPECT_EQ(live, 2);
    a = b;
    EXPECT_EQ(live, 1);
    EXPECT_EQ(b->Refs(), 2u);
    a = a; // self-assignment keeps the object
    EXPECT_EQ(b->Refs(), 2u);
    a = nullptr;
    b = nullptr;
    EXPECT_EQ(live, 0);
}

TEST(ComPtr, RawPointerTakesItsOwnReference) {
    int live = 0;
    Item* raw = new Item(live);
    raw->AddRef(); // the caller's own reference
    {
        CComPtr<Item> held(raw);
        EXPECT_EQ(raw->Refs(), 2u);
    }
    EXPECT_EQ(live, 1);
    raw->Release();
    EXPECT_EQ(live, 0);
}

TEST(ComPtr, AttachAndDetachHandOverOwnership) {
    int live = 0;
    Item* raw = new Item(live);
    raw->AddRef();
    CComPtr<Item> held = MakeComObject<Item>(live);
    held.Attach(raw); // releases the first object, adopts raw's reference
    EXPECT_EQ(live, 1);
    EXPECT_EQ(raw->Refs(), 1u);
    Item* back = held.Detach();
    EXPECT_EQ(back, raw);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(live, 1);
    back->Release();
    EXPECT_EQ(live, 0);
}

TEST(ComPtr, ConvertsToBaseAndQueriesBack) {
    int live = 0;
    CComPtr<Appointment> appointment = MakeComObject<Appointment>(live);
    CComPtr<IUnknown> any = appointment;
    EXPECT_EQ(appointment->Refs(), 2u);
    EXPECT_EQ(any, appointment);
    CComPtr<Appointment> again = QueryInterface<Appointment>(any);
    EXPECT_EQ(again, appointment);
    EXPECT_EQ(appointment->Refs(), 3u);
    EXPECT_FALSE(QueryInterface<Folder>(any));
    EXPECT_FALSE(QueryInterface<Folder>(CComPtr<IUnknown>()));
    CComPtr<Item> moved = std::move(again);
    EXPECT_EQ(appointment->Refs(), 3u);
    any = nullptr;
    moved = nullptr;
    appointment = nullptr;
    EXPECT_EQ(live, 0);
}

} // namespace
