#pragma once
// A module folder of the test's own, holding the given encoding catalogue
// (or none), with the message boxes shown meanwhile recorded instead of
// printed and the language texts pinned. Everything is restored afterwards.

#include "platform/win32/message_box.h"
#include "platform/win32/module.h"
#include "support/language_text.h"
#include "tests/testkit/temp_folder.h"

#include <optional>
#include <string>
#include <vector>

struct ShownBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class CatalogueFolder {
public:
    explicit CatalogueFolder(const std::optional<std::string>& catalogue) {
        if (catalogue) {
            folder_.Write("supportedEncodings.txt", *catalogue);
        }
        SetModuleFolder(folder_.Path());
        SetLanguageTextSource([](const char* key) { return std::string("text of ") + key; });
        SetMessageBoxHook(
            [this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
                boxes_.push_back({owner, text, caption, type});
                return IDOK;
            });
    }
    ~CatalogueFolder() {
        SetMessageBoxHook({});
        SetLanguageTextSource({});
        SetModuleFolder("");
    }
    CatalogueFolder(const CatalogueFolder&) = delete;
    CatalogueFolder& operator=(const CatalogueFolder&) = delete;

    const TempFolder& Folder() const { return folder_; }
    const std::vector<ShownBox>& Boxes() const { return boxes_; }

private:
    TempFolder folder_;
    std::vector<ShownBox> boxes_;
};
