#include "tests/engine/export/export_fixture.h"

#include <algorithm>
#include <filesystem>

std::vector<std::string> ExportTest::OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out_.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ExportTest::OnlyOutput() const {
    std::vector<std::string> names = OutputFiles();
    EXPECT_EQ(names.size(), 1u);
    return names.empty() ? std::string() : Output(names.front());
}
