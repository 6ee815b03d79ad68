#include "settings/lang.h"
#include "support/language_text.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

// Collects what is logged while it lives, in a state folder of its own.
class LogCapture {
public:
    std::string Text() const { return state_.Read("quillane/quillane.log"); }

private:
    TempFolder state_;
    ScopedEnv stateHome_{"XDG_STATE_HOME", state_.Path().c_str()};
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Header(const std::string& langid, const std::string& lang = "Some language",
                   const std::string& signature = "Orvane.LangIniFile") {
    return "[version]\nsignature=" + signature + "\nlang=" + lang + "\nlangid=" + langid + "\n";
}

TEST(CLangReadHeader, AcceptsOnlyASignedFileWithNameAndId) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::string content;
        bool valid;
    } cases[] = {
        {"complete", Header("EN", "English"), true},
        {"signature in lower case", Header("EN", "English", "orvane.langinifile"), true},
        {"other signature", Header("EN", "English", "Orvane.IniFile"), false},
        {"no signature", "[version]\nlang=English\nlangid=EN\n", false},
        {"empty lang", Header("EN", ""), false},
        {"no langid", "[version]\nsignature=Orvane.LangIniFile\nlang=English\n", false},
        {"header in another section", "[Quillane.dll]\n" + Header("EN").substr(10), false},
    };
    for (const Case& c : cases) {
        std::string lang;
        std::string langid;
        EXPECT_EQ(CLang::ReadHeader(folder.Write("x.ini", c.content), lang, langid), c.valid)
            << c.name;
    }
    std::string lang;
    std::string langid;
    EXPECT_FALSE(CLang::ReadHeader(folder.File("missing.ini"), lang, langid));
}

TEST(CLangReadHeader, CutsNamesTo127Characters) {
    TempFolder folder;
    std::string longName(200, 'x');
    std::string lang;
    std::string langid;
    ASSERT_TRUE(
        CLang::ReadHeader(folder.Write("long.ini", Header(longName, longName)), lang, langid));
    EXPECT_EQ(lang, std::string(127, 'x'));
    EXPECT_EQ(langid, std::string(127, 'x'));
}

TEST(CLangLoad, KeepsTheFileAndItsHeaderOrNothing) {
    TempFolder folder;
    std::string good = folder.Write("German.ini", Header("DE", "Deutsch"));
    std::string bad = folder.Write("Broken.ini", Header(""));
    CLang lang;
    ASSERT_TRUE(lang.Load(good, "Quillane.dll"));
    EXPECT_TRUE(lang.IsLoaded());
    EXPECT_EQ(lang.Path(), good);
    EXPECT_STREQ(lang.Lang(), "Deutsch");
    EXPECT_STREQ(lang.LangId(), "DE");
    EXPECT_EQ(lang.DefaultSection(), "Quillane.dll");

    EXPECT_FALSE(lang.Load(bad, "Quillane.dll"));
    EXPECT_FALSE(lang.IsLoaded());
    EXPECT_EQ(lang.Path(), "");
    EXPECT_STREQ(lang.LangId(), "");
    EXPECT_EQ(lang.DefaultSection(), "");
}

class CLangFindByLangId : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Write("NoId.ini", "[version]\nsignature=Orvane.LangIniFile\nlang=None\n");
        folder.Write("GERMAN.INI", Header("DE", "Deutsch"));
        folder.Write("French.txt", Header("FR", "Francais"));
        folder.Write("Polish.ini.bak", Header("PL", "Polski"));
        ASSERT_EQ(mkdir(folder.File("Dutch.ini").c_str(), 0700), 0);
        folder.Write("Dutch.ini/Dutch.ini", Header("NL", "Nederlands"));
    }
    TempFolder folder;
    CLang lang;
};

TEST_F(CLangFindByLangId, LoadsTheIniFileOfTheLanguageWithoutRegardToCase) {
    ASSERT_TRUE(lang.FindByLangId("de", folder.Path(), "*.ini", "Quillane.dll"));
    EXPECT_EQ(lang.Path(), folder.File("GERMAN.INI"));
    EXPECT_STREQ(lang.LangId(), "DE");
    EXPECT_EQ(lang.DefaultSection(), "Quillane.dll");
}

TEST_F(CLangFindByLangId, PassesOverOtherFilesFoldersAndUnknownLanguages) {
    ASSERT_TRUE(lang.FindByLangId("DE", folder.Path(), "*.ini", "Quillane.dll"));
    for (const char* langid : {"FR", "PL", "NL", "", "XX"}) {
        EXPECT_FALSE(lang.FindByLangId(langid, folder.Path(), "*.ini", "Quillane.dll")) << langid;
        EXPECT_FALSE(lang.IsLoaded()) << langid;
    }
    EXPECT_FALSE(lang.FindByLangId("DE", folder.File("nowhere"), "*.ini", "Quillane.dll"));
}

class CLangLookup : public ::testing::Test {
protected:
    void SetUp() override {
        std::string content = Header("EN", "English") + "[Quillane.dll]\n"
                                                        "IDS_PLAIN=Plain text\n"
                                                        "IDS_EMPTY=\n"
                                                        "IDS_PADDED=  padded  \n"
                                                        "[Quillane.dll.IDD_PAGE]\n"
                                                        "CAPTION=Page caption\n"
                                                        "IDS_PLAIN=Page text\n";
        ASSERT_TRUE(lang.Load(folder.Write("English.ini", content), "Quillane.dll"));
    }

    std::string Value(const char* key, const char* suffix = nullptr) const {
        bool found = false;
        std::string value = lang.text(key, suffix, &found, false);
        return found ? value : "<absent>";
    }

    TempFolder folder;
    CLang lang;
};

TEST_F(CLangLookup, ReadsTheDefaultOrTheDialogSection) {
    EXPECT_EQ(Value("IDS_PLAIN"), "Plain text");
    EXPECT_EQ(Value("ids_plain", ""), "Plain text");
    EXPECT_EQ(Value("IDS_PLAIN", "IDD_PAGE"), "Page text");
    EXPECT_EQ(Value("CAPTION", "idd_page"), "Page caption");
    EXPECT_EQ(Value("CAPTION"), "<absent>");
    EXPECT_EQ(Value("IDS_PADDED"), "padded");
    EXPECT_EQ(Value("IDS_PLAIN", "IDD_OTHER"), "<absent>");
    EXPECT_EQ(lang.text("IDS_PLAIN"), "Plain text");
}

TEST_F(CLangLookup, AnEmptyValueIsFoundAndAnAbsentOneIsNot) {
    bool found = false;
    EXPECT_EQ(lang.text("IDS_EMPTY", nullptr, &found, true), "");
    EXPECT_TRUE(found);
    EXPECT_EQ(lang.text("IDS_MISSING", nullptr, &found, false), "");
    EXPECT_FALSE(found);
}

TEST_F(CLangLookup, WarnsAboutMissingValuesOnlyWhenAsked) {
    LogCapture log;
    lang.text("IDS_EMPTY");
    lang.text("IDS_QUIET", nullptr, nullptr, false);
    lang.integer("IDC_ABSENT.VISIBLE", "IDD_PAGE", -1);
    EXPECT_EQ(log.Text(), "");

    lang.text("IDS_MISSING", "IDD_PAGE");
    lang.text("IDS_ALSO_MISSING");
    std::string text = log.Text();
    EXPECT_TRUE(Contains(text,
                         "\tWARNING\tCLang.text\t"
                         "0x00000000\tvalue(key=\"IDS_MISSING\", section=\"IDD_PAGE\") is not "
                         "exists\n"))
        << text;
    EXPECT_TRUE(Contains(text, "value(key=\"IDS_ALSO_MISSING\", section=\"\") is not exists"))
        << text;
}

TEST_F(CLangLookup, LogsMalformedIntegersWithFileSectionAndKey) {
    std::string path = folder.Write("Bad.ini", Header("EN") + "[Quillane.dll]\nIDC_X.DTOP=1 2\n"
                                                              "[Quillane.dll.IDD_PAGE]\n"
                                                              "IDC_X.DWIDTH=3 4\n");
    ASSERT_TRUE(lang.Load(path, "Quillane.dll"));
    LogCapture log;
    EXPECT_EQ(lang.integer("IDC_X.DWIDTH", "IDD_PAGE", 0), 0);
    EXPECT_EQ(lang.integer("IDC_X.DTOP", nullptr, 5), 5);
    std::string text = log.Text();
    EXPECT_TRUE(Contains(text, "\tERROR\tCLang::integer\t0x00000000\tInvalid value(3 4) for \"" +
                                   path + "\"::[IDD_PAGE]\\IDC_X.DWIDTH\n"))
        << text;
    EXPECT_TRUE(Contains(text, "Invalid value(1 2) for \"" + path + "\"::[]\\IDC_X.DTOP\n"))
        << text;
}

TEST_F(CLangLookup, AValueEqualToTheAbsenceMarkerCountsAsAbsent) {
    std::string marker = "{5F4C4C8D-1403-45a5-8C32-26716DAFE5DD}";
    ASSERT_TRUE(lang.Load(folder.Write("Marker.ini", Header("EN") +
                                                         "[Quillane.dll]\n"
                                                         "IDS_MARKER=" +
                                                         marker + "\nIDS_NEAR=" + marker + "x\n"),
                          "Quillane.dll"));
    EXPECT_EQ(Value("IDS_MARKER"), "<absent>");
    EXPECT_EQ(Value("IDS_NEAR"), marker + "x");
}

TEST_F(CLangLookup, UnescapesValues) {
    struct Case {
        const char* raw;
        const char* expected;
    } cases[] = {
        {"line\\nbreak", "line\nbreak"},
        {"a\\rb\\tc", "a\rb\tc"},
        {"one \\\\ backslash", "one \\ backslash"},
        {"\\\"quoted\\\"", "\"quoted\""},
        {"\\q\\%", "q%"},
        {"dropped\\", "dropped"},
        {"\\\\\\", "\\"},
        {"C:\\\\Temp\\\\new", "C:\\Temp\\new"},
    };
    std::string content = Header("EN") + "[Quillane.dll]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        content += "K" + std::to_string(i) + "=" + cases[i].raw + "\n";
    }
    ASSERT_TRUE(lang.Load(folder.Write("Escapes.ini", content), "Quillane.dll"));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Value(("K" + std::to_string(i)).c_str()), cases[i].expected) << cases[i].raw;
    }
}

TEST_F(CLangLookup, EvaluatesIntegersAsSumsOfSignedNumbers) {
    struct Case {
        const char* raw;
        int expected; // -999 is the default passed in
    } cases[] = {
        {"12", 12},
        {"-5", -5},
        {"10 - 3", 7},
        {"4 -- 2", 6},
        {"+7", 7},
        {"\t40", 40},
        {"5+-+2", 3},
        {"x12", 12},
        {"12abc", 12},
        {"1a2", 3},
        {"0", 0},
        {"-0", 0},
        {"2147483647 + 1", INT_MIN},
        {"3 4", -999},
        {"-3 4", -999},
        {"", -999},
        {"abc", -999},
        {"- -", -999},
    };
    std::string content = Header("EN") + "[Quillane.dll.IDD_PAGE]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        content += "IDC_LBL" + std::to_string(i) + ".DWIDTH=" + cases[i].raw + "\n";
    }
    ASSERT_TRUE(lang.Load(folder.Write("Numbers.ini", content), "Quillane.dll"));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::string key = "IDC_LBL" + std::to_string(i) + ".DWIDTH";
        EXPECT_EQ(lang.integer(key.c_str(), "IDD_PAGE", -999), cases[i].expected)
            << "\"" << cases[i].raw << "\"";
    }
    EXPECT_EQ(lang.integer("IDC_LBL0.DWIDTH", nullptr, -1), -1);
    EXPECT_EQ(lang.integer("IDC_MISSING.VISIBLE", "IDD_PAGE", -1), -1);
}

TEST(CLangEmpty, AnswersEmptyTextsAndDefaultsWithoutLogging) {
    LogCapture log;
    CLang lang;
    bool found = true;
    EXPECT_EQ(lang.text("IDS_APP_TITLE", nullptr, &found, true), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(lang.integer("IDC_LBL3.VISIBLE", "IDD_SELECT_ACTION", -1), -1);
    EXPECT_EQ(log.Text(), "");
}

TEST(TheLang, AnswersLanguageTextForCodeBelowIt) {
    LogCapture log;
    TempFolder folder;
    std::string file = folder.Write("Test.ini", Header("TT") + "[Quillane.dll]\n"
                                                               "IDS_GREETING=Hello\\tthere\n"
                                                               "IDS_BLANK=\n");
    ASSERT_TRUE(TheLang().Load(file, "Quillane.dll"));
    EXPECT_EQ(LanguageText("IDS_GREETING"), "Hello\tthere");
    EXPECT_EQ(LanguageText("IDS_BLANK"), "IDS_BLANK");
    EXPECT_EQ(LanguageText("IDS_UNKNOWN"), "IDS_UNKNOWN");
    EXPECT_TRUE(Contains(log.Text(), "value(key=\"IDS_UNKNOWN\", section=\"\") is not exists"));
    TheLang().Clear();
    EXPECT_EQ(LanguageText("IDS_GREETING"), "IDS_GREETING");
}

} // namespace
