#include "platform/win32/module.h"
#include "platform/win32/platform_warning.h"
#include "platform/win32/registry.h"
#include "tests/testkit/temp_folder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> warnings;

void CollectWarning(const char*, LONG, const char* text) {
    warnings.push_back(text);
}

std::vector<BYTE> Bytes(const std::string& text, bool zero = true) {
    std::vector<BYTE> bytes(text.begin(), text.end());
    if (zero) {
        bytes.push_back(0);
    }
    return bytes;
}

std::vector<BYTE> DwordBytes(DWORD value) {
    return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

struct Stored {
    DWORD type = 0;
    std::vector<BYTE> data;
    LONG status = 0;
};

// Reads a value in two steps, the way callers of text of any length do.
Stored Query(HKEY key, const char* name) {
    Stored stored;
    DWORD size = 0;
    stored.status = RegQueryValueExA(key, name, nullptr, &stored.type, nullptr, &size);
    if (stored.status == ERROR_SUCCESS) {
        stored.data.resize(size);
        stored.status =
            RegQueryValueExA(key, name, nullptr, &stored.type, stored.data.data(), &size);
    }
    return stored;
}

LONG Set(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        warnings.clear();
        SetPlatformWarningSink(CollectWarning);
        machineFile = machine.Write("machine.json", R"({
          "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage": {
            "ACP": {"type": "REG_SZ", "value": "65001"}
          },
          "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Eastern Standard Time": {
            "Index": {"type": "REG_DWORD", "value": 35}
          }
        })");
        Reopen();
    }
    void TearDown() override {
        RegistryReset();
        SetPlatformWarningSink(nullptr);
    }
    void Reopen() { RegistryOpen(config.Path(), machineFile); }
    HKEY Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    HKEY Settings() { return Create(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane"); }

    TempFolder config;
    TempFolder machine;
    std::string machineFile;
};

TEST_F(RegistryTest, ValuesOfEveryTypeSurviveAReload) {
    std::vector<BYTE> zone(48);
    for (size_t i = 0; i < zone.size(); ++i) {
        zone[i] = static_cast<BYTE>(i * 7);
    }
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const std::vector<Case> cases = {
        {"Appointments.Export.Folder", REG_SZ, Bytes("/home/ann/Kalender für 2024")},
        {"Appointments.Import.Folder", REG_EXPAND_SZ, Bytes("%HOME%/in")},
        {"Appointments.Export.Format", REG_DWORD, DwordBytes(0xFEDC1020)},
        {"Appointments.Import.TZ", REG_BINARY, zone},
        {"Empty text", REG_SZ, Bytes("")},
        {"Text without its zero", REG_SZ, Bytes("abc", false)},
        {"Text in code page 1252", REG_SZ, Bytes("caf\xE9")},
        {"Short whole number", REG_DWORD, {1, 2}},
        {"Nothing at all", REG_NONE, {}},
        {"", REG_SZ, Bytes("the key's default value")},
    };
    HKEY key = Settings();
    for (const Case& c : cases) {
        ASSERT_EQ(Set(key, c.name, c.type, c.data), ERROR_SUCCESS) << c.name;
    }
    RegCloseKey(key);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Orvane\\Empty"));
    Reopen();
    HKEY empty = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Empty", 0, KEY_READ, &empty),
              ERROR_SUCCESS);
    RegCloseKey(empty);
    key = Settings();
    for (const Case& c : cases) {
        Stored stored = Query(key, c.name);
        EXPECT_EQ(stored.status, ERROR_SUCCESS) << c.name;
        EXPECT_EQ(stored.type, c.type) << c.name;
        EXPECT_EQ(stored.data, c.data) << c.name;
    }
    RegCloseKey(key);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(RegistryTest, FileIsReadableJsonWithBinaryAsHex) {
    HKEY key = Settings();
    Set(key, "Appointments.Import.TZ", REG_BINARY, {0x2C, 0x01, 0xFF});
    Set(key, "Appointments.Export.Format", REG_DWORD, DwordBytes(20));
    Set(key, "LANG", REG_SZ, Bytes("EN"));
    RegCloseKey(key);
    auto file = nlohmann::json::parse(config.Read("registry.json"));
    auto& values = file["Software\\Orvane\\Quillane"];
    EXPECT_EQ(values["Appointments.Import.TZ"]["hex"], "2c01ff");
    EXPECT_EQ(values["Appointments.Export.Format"]["value"], 20);
    EXPECT_EQ(values["LANG"]["value"], "EN");
    EXPECT_EQ(values["LANG"]["type"], "REG_SZ");
}

TEST_F(RegistryTest, QueriesFollowWin32Conventions) {
    HKEY key = Settings();
    Set(key, "Name", REG_SZ, Bytes("Quillane"));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(type, REG_SZ);

    char small[4] = "xyz";
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);

    char exact[9];
    size = sizeof exact;
    EXPECT_EQ(
        RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(exact, "Quillane");

    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "Name"), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Name").status, ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(RegistryTest, NamesCompareWithoutRegardToCase) {
    HKEY key = Settings();
    Set(key, "LANG", REG_SZ, Bytes("EN"));
    Set(key, "lang", REG_SZ, Bytes("DE"));
    RegCloseKey(key);

    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\orvane\\QUILLANE", 0, KEY_READ, &again),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(again, "Lang").data, Bytes("DE"));
    RegCloseKey(again);

    auto file = nlohmann::json::parse(config.Read("registry.json"));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file.begin().key(), "Software\\Orvane\\Quillane");
    EXPECT_EQ(file.begin().value().size(), 1u);
    EXPECT_TRUE(file.begin().value().contains("LANG"));
}

TEST_F(RegistryTest, SubkeysEnumerateInOrderThenEnd) {
    HKEY zones = Create(HKEY_CURRENT_USER, "Zones");
    for (const char* name : {"b zone", "A zone", "C zone"}) {
        RegCloseKey(Create(zones, name));
    }
    std::vector<std::string> names;
    char name[260];
    DWORD index = 0;
    LONG status = ERROR_SUCCESS;
    while (true) {
        DWORD size = sizeof name;
        status = RegEnumKeyExA(zones, index++, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            break;
        }
        EXPECT_EQ(size, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(names, (std::vector<std::string>{"A zone", "b zone", "C zone"}));

    DWORD tooSmall = 6;
    EXPECT_EQ(RegEnumKeyExA(zones, 0, name, &tooSmall, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    HKEY queryOnly = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Zones", 0, KEY_QUERY_VALUE, &queryOnly);
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(queryOnly, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(queryOnly);
    RegCloseKey(zones);
}

TEST_F(RegistryTest, CreateReportsWhetherTheKeyIsNew) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", 0, nullptr, 0,
                              KEY_READ | KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\orvane\\quillane", 0, nullptr, 0,
                              KEY_READ | KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    HKEY middle = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvane", 0, KEY_READ, &middle),
              ERROR_SUCCESS);
    RegCloseKey(middle);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "\\Software", 0, nullptr, 0, KEY_READ, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, HandlesStayValidUntilClosedAndRespectTheirAccess) {
    HKEY writer = Settings();
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", 0, KEY_READ, &reader),
              ERROR_SUCCESS);
    EXPECT_EQ(Set(reader, "LANG", REG_SZ, Bytes("EN")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Set(writer, "LANG", REG_SZ, Bytes("FR")), ERROR_SUCCESS);
    EXPECT_EQ(Query(reader, "LANG").data, Bytes("FR"));
    EXPECT_EQ(RegCloseKey(writer), ERROR_SUCCESS);
    EXPECT_EQ(Query(reader, "LANG").data, Bytes("FR"));
    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reader), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Query(reader, "LANG").status, ERROR_INVALID_HANDLE);
    HKEY forgotten = Settings();
    RegistryReset();
    EXPECT_EQ(Query(forgotten, "LANG").status, ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, StaleTemporaryFileLosesNothingCommitted) {
    HKEY key = Settings();
    Set(key, "LANG", REG_SZ, Bytes("EN"));
    RegCloseKey(key);
    // Left by a process that no longer runs (no process has this id).
    config.Write("registry.json.tmp.2147483646", "{\"Software\\\\Orvane\\\\Quillane\": {\"LA");
    Reopen();
    key = Settings();
    EXPECT_EQ(Query(key, "LANG").data, Bytes("EN"));
    EXPECT_EQ(Set(key, "LANG_", REG_SZ, Bytes("lang/de.ini")), ERROR_SUCCESS);
    RegCloseKey(key);
    Reopen();
    key = Settings();
    EXPECT_EQ(Query(key, "LANG").data, Bytes("EN"));
    EXPECT_EQ(Query(key, "LANG_").data, Bytes("lang/de.ini"));
    RegCloseKey(key);
    EXPECT_EQ(Listing(config.Path()), std::vector<std::string>{"registry.json"});
    EXPECT_TRUE(warnings.empty());
}

TEST_F(RegistryTest, TemporaryFileOfARunningProcessIsLeftToIt) {
    HKEY key = Settings();
    Set(key, "LANG", REG_SZ, Bytes("EN"));
    RegCloseKey(key);
    config.Write("registry.json.tmp.1", "{"); // process 1 always runs
    config.Write("registry.json.tmp.2147483646", "{");
    config.Write("registry.json.tmp.notapid", "{");
    Reopen();
    EXPECT_EQ(Listing(config.Path()),
              (std::vector<std::string>{"registry.json", "registry.json.tmp.1",
                                        "registry.json.tmp.notapid"}));
    key = Settings();
    EXPECT_EQ(Query(key, "LANG").data, Bytes("EN"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, DamagedFileIsKeptAsideAndTheRegistryStartsClean) {
    HKEY key = Settings();
    Set(key, "LANG", REG_SZ, Bytes("EN"));
    RegCloseKey(key);
    const std::string committed = config.Read("registry.json");
    const std::vector<std::pair<const char*, std::string>> damages = {
        {"cut halfway", committed.substr(0, committed.size() / 2)},
        {"garbage", "\x01\x02 not json at all"},
        {"empty", ""},
        {"not an object", "[1, 2, 3]"},
        {"bad hex", R"({"K": {"V": {"type": "REG_BINARY", "hex": "0g"}}})"},
        {"bad type", R"({"K": {"V": {"type": "REG_QWORD", "value": 1}}})"},
        {"number for a text", R"({"K": {"V": {"type": "REG_SZ", "value": 1}}})"},
        {"empty key name", R"({"A\\\\B": {}})"},
    };
    for (const auto& [what, content] : damages) {
        SCOPED_TRACE(what);
        std::filesystem::remove_all(config.Path());
        std::filesystem::create_directory(config.Path());
        warnings.clear();
        config.Write("registry.json", content);
        Reopen();

        std::vector<std::string> files = Listing(config.Path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].rfind("registry.json.damaged-", 0), 0u) << files[0];
        EXPECT_EQ(config.Read(files[0]), content);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find(files[0]), std::string::npos) << warnings[0];

        HKEY fresh = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &fresh),
                  ERROR_FILE_NOT_FOUND);
        key = Settings();
        EXPECT_EQ(Set(key, "LANG", REG_SZ, Bytes("DE")), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(Listing(config.Path()).size(), 2u);
        EXPECT_EQ(config.Read(files[0]), content);
    }
}

TEST_F(RegistryTest, UnreadableFileIsKeptAside) {
    std::filesystem::create_directory(config.File("registry.json"));
    Reopen();
    std::vector<std::string> files = Listing(config.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("registry.json.damaged-", 0), 0u);
    EXPECT_EQ(warnings.size(), 1u);
    HKEY key = Settings();
    EXPECT_EQ(Set(key, "LANG", REG_SZ, Bytes("EN")), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, FailingWriteIsReportedAndKeptInMemory) {
    std::string blocker = config.Write("blocker", "a file where a folder should be");
    RegistryOpen(blocker + "/quillane", machineFile);
    HKEY settings = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &settings, nullptr),
              ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(settings, nullptr);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", 0, KEY_ALL_ACCESS,
                            &settings),
              ERROR_SUCCESS);
    EXPECT_EQ(Set(settings, "LANG", REG_SZ, Bytes("EN")), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Query(settings, "LANG").data, Bytes("EN"));
    EXPECT_FALSE(warnings.empty());
    RegCloseKey(settings);
}

TEST_F(RegistryTest, MachineDataLoadsAndChangesStayInMemory) {
    HKEY codePage = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage",
                            0, KEY_READ | KEY_WRITE, &codePage),
              ERROR_SUCCESS);
    Stored acp = Query(codePage, "ACP");
    EXPECT_EQ(acp.type, REG_SZ);
    EXPECT_EQ(acp.data, Bytes("65001"));
    const std::string before = machine.Read("machine.json");
    EXPECT_EQ(Set(codePage, "ACP", REG_SZ, Bytes("1252")), ERROR_SUCCESS);
    EXPECT_EQ(Query(codePage, "ACP").data, Bytes("1252"));
    RegCloseKey(codePage);
    EXPECT_EQ(machine.Read("machine.json"), before);
    EXPECT_FALSE(std::filesystem::exists(config.File("registry.json")));

    Reopen();
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\control\\nls\\codepage",
                            0, KEY_READ, &codePage),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(codePage, "ACP").data, Bytes("65001"));
    RegCloseKey(codePage);
}

TEST_F(RegistryTest, ShippedMachineDataUsesUtf8) {
    RegistryOpen(config.Path(), ModuleFolder() + "/machine.json");
    EXPECT_TRUE(warnings.empty());
    HKEY codePage = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage",
                            0, KEY_READ, &codePage),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(codePage, "ACP").data, Bytes("65001"));
    RegCloseKey(codePage);
}

TEST_F(RegistryTest, MissingMachineDataIsReported) {
    RegistryOpen(config.Path(), machine.File("absent.json"));
    EXPECT_EQ(warnings.size(), 1u);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            HKEY key = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
            for (int i = 0; i < 25; ++i) {
                std::string name = "Value " + std::to_string(t) + "." + std::to_string(i);
                Set(key, name.c_str(), REG_DWORD, DwordBytes(static_cast<DWORD>(t * 100 + i)));
            }
            RegCloseKey(key);
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    Reopen();
    HKEY key = Settings();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 25; ++i) {
            std::string name = "Value " + std::to_string(t) + "." + std::to_string(i);
            EXPECT_EQ(Query(key, name.c_str()).data, DwordBytes(static_cast<DWORD>(t * 100 + i)));
        }
    }
    RegCloseKey(key);
}

} // namespace
