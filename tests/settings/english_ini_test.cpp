// The English language file shipped beside the program: its header, its
// dialog sections, the formats of its texts, and every key that the sources
// and resources ask for.

#include "platform/win32/module.h"
#include "settings/lang.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

class EnglishIni : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lang.Load(ModuleFolder() + "/English.ini", kLangDefaultSection))
            << "English.ini beside the tests lacks a valid header";
    }

    // The value, or "<absent>".
    std::string Value(const std::string& key, const char* suffix = nullptr) const {
        bool found = false;
        std::string value = lang.text(key.c_str(), suffix, &found, false);
        return found ? value : "<absent>";
    }

    CLang lang;
};

// The printf conversions of a text, in order ("%d%s"); "%%" is none.
std::string Conversions(const std::string& text) {
    static const std::regex conversion("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?([a-zA-Z%])");
    std::string found;
    for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it) {
        if ((*it)[1] != "%") {
            found += "%" + (*it)[1].str();
        }
    }
    return found;
}

// Every "IDS_..." key quoted (or placed between percent signs) in the
// program's sources and resources.
std::set<std::string> KeysUsedBySources() {
    static const std::regex key("[\"%](IDS_[A-Z0-9_]+)[\"%]");
    std::set<std::string> keys;
    for (const char* top :
         {"addin", "engine", "host", "platform", "resources", "settings", "support", "ui"}) {
        std::filesystem::path folder = std::filesystem::path(QUILLANE_SOURCE_DIR) / top;
        if (!std::filesystem::is_directory(folder)) {
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".ini") {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            std::string content = text.str();
            for (std::sregex_iterator it(content.begin(), content.end(), key), end; it != end;
                 ++it) {
                keys.insert((*it)[1].str());
            }
        }
    }
    return keys;
}

TEST_F(EnglishIni, IsTheEnglishLanguageFile) {
    EXPECT_STREQ(lang.LangId(), "EN");
    EXPECT_STREQ(lang.Lang(), "English");
}

TEST_F(EnglishIni, HoldsEveryKeyTheSourcesUse) {
    std::set<std::string> keys = KeysUsedBySources();
    ASSERT_FALSE(keys.empty()) << "no keys found below " << QUILLANE_SOURCE_DIR;
    for (const std::string& key : keys) {
        std::string value = Value(key);
        EXPECT_NE(value, "<absent>") << key;
        EXPECT_NE(value, "") << key;
    }
}

TEST_F(EnglishIni, NamesTheTenCalendarLabels) {
    std::set<std::string> names;
    for (int n = 1; n <= 10; ++n) {
        std::string name = Value("IDS_EVENT_LABEL" + std::to_string(n));
        EXPECT_NE(name, "<absent>") << n;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 10u) << "two labels share a name";
}

TEST_F(EnglishIni, FormatsTakeTheirArguments) {
    EXPECT_EQ(Conversions(Value("IDS_PROGR_FORMAT")), "%d%d");
    for (const char* key : {"IDS_PROCESS_COMPLETED", "IDS_PROCESS_COMPLETED_WITH_ERR",
                            "IDS_PROCESS_COMPLETED_WITH_SKIP",
                            "IDS_PROCESS_COMPLETED_WITH_SKIP_AND_ERR", "IDS_BAD_FNAME"}) {
        EXPECT_EQ(Conversions(Value(key)), "%s") << key;
    }
    std::string invalid = Value("IDS_ERR_INVALID_FORMAT_VCAL");
    EXPECT_NE(invalid.find("%1"), std::string::npos);
    EXPECT_NE(invalid.find("%2"), std::string::npos);
    for (const char* key : {"IDS_APP_TITLE", "IDS_ERR_TITLE", "IDS_ERR_CANNOT_OPEN_FILE",
                            "IDS_PROCESS_EXPORT", "IDS_PROCESS_IMPORT", "IDS_WAIT"}) {
        EXPECT_EQ(Conversions(Value(key)), "") << key;
    }
}

TEST_F(EnglishIni, HasACaptionForEveryDialog) {
    for (const char* dialog :
         {"IDD_SELECT_ACTION", "IDD_VCAL_EXPORT", "IDD_VCAL_EXPORT_OPTIONS",
          "IDD_VCAL_EXPORT_FILTER", "IDD_VCAL_EXPORT_PROGRESS", "IDD_VCAL_EXPORT_FINISH",
          "IDD_VCAL_IMPORT", "IDD_VCAL_IMPORT_OPTIONS", "IDD_VCAL_IMPORT_FILTER",
          "IDD_VCAL_IMPORT_PROGRESS", "IDD_VCAL_IMPORT_FINISH", "IDD_EVENT_LABELS"}) {
        std::string caption = Value("CAPTION", dialog);
        EXPECT_NE(caption, "<absent>") << dialog;
        EXPECT_NE(caption, "") << dialog;
        EXPECT_NE(Value("IDCANCEL", dialog), "<absent>") << dialog;
    }
}

} // namespace
