#include "platform/com/unknown.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class Counted : public IUnknown {
public:
    explicit Counted(int& destroyed) : destroyed_(destroyed) {}
    ~Counted() override { ++destroyed_; }

private:
    int& destroyed_;
};

TEST(Unknown, CountsAcrossThreads) {
    int destroyed = 0;
    IUnknown* object = new Counted(destroyed);
    object->AddRef();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 20000; ++i) {
                object->AddRef();
                object->Release();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

} // namespace
