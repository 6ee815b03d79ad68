#pragma once
// Language texts by key ("IDS_APP_TITLE"), for code below the language layer.
// The language object installs its lookup at start-up; until it has, and for
// a key it does not know, the key itself is answered so that a message never
// comes out empty.

#include <functional>
#include <string>

using LanguageTextSource = std::function<std::string(const char* key)>;

std::string LanguageText(const char* key);
// Installs the lookup (an empty function restores the default).
void SetLanguageTextSource(LanguageTextSource source);
