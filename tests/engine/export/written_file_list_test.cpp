#include "engine/export/written_file_list.h"

#include <gtest/gtest.h>

namespace {

using Paths = std::vector<std::string>;

TEST(WrittenFileList, EachPathOnceInTheOrderAdded) {
    WrittenFileList files;
    EXPECT_TRUE(files.empty());
    files.insert("/out/b.ics");
    files.insert("/out/a.ics");
    files.insert("/out/b.ics");
    files.insert("/elsewhere/a.ics");
    files.insert("relative.ics");
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(files.Paths(),
              (Paths{"/out/b.ics", "/out/a.ics", "/elsewhere/a.ics", "relative.ics"}));
    EXPECT_EQ(files.count("/out/a.ics"), 1u);
    EXPECT_TRUE(files.contains("/elsewhere/a.ics"));
    EXPECT_FALSE(files.contains("/out/c.ics"));
    EXPECT_FALSE(files.contains("/out/"));
    EXPECT_FALSE(files.contains("a.ics"));
}

TEST(WrittenFileList, ErasedPathsAreGoneAndTheRestStays) {
    WrittenFileList files;
    files.insert("/out/one.vcs");
    files.insert("/out/two.vcs");
    files.insert("/out/three.vcs");
    files.erase("/out/one.vcs");
    files.erase("/out/missing.vcs");
    EXPECT_EQ(files.Paths(), (Paths{"/out/two.vcs", "/out/three.vcs"}));
    EXPECT_FALSE(files.contains("/out/one.vcs"));
    files.insert("/out/one.vcs");
    EXPECT_EQ(files.size(), 3u);
    files.clear();
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(files.contains("/out/two.vcs"));
}

TEST(WrittenFileList, ManyPathsAreAllFoundAndNoneTwice) {
    WrittenFileList files;
    const int n = 20000;
    auto name = [](int i) { return "/out/2007030509" + std::to_string(i) + "_Review.ics"; };
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < n; ++i) {
            files.insert(name(i));
        }
    }
    ASSERT_EQ(files.size(), static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(files.contains(name(i))) << i;
    }
    EXPECT_FALSE(files.contains(name(n)));
    EXPECT_EQ(files.Paths()[n - 1], name(n - 1));
}

} // namespace
