#include "support/language_text.h"

#include <mutex>

namespace {

std::mutex sourceMutex;
LanguageTextSource installedSource;

} // namespace

std::string LanguageText(const char* key) {
    LanguageTextSource source;
    {
        std::lock_guard lock(sourceMutex);
        source = installedSource;
    }
    std::string text = source ? source(key) : std::string();
    return text.empty() ? std::string(key) : text;
}

void SetLanguageTextSource(LanguageTextSource source) {
    std::lock_guard lock(sourceMutex);
    installedSource = std::move(source);
}
