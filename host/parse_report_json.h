#pragma once
// What the import parser read, as JSON: events with every field, zone tables
// with every field of their 48-byte rules. Narrow texts (in the ANSI code
// page) and wide texts both become UTF-8; the import's default zone key is
// shown as "<default zone>".

#include "engine/import/parsed_event.h"
#include "engine/import/time_zones.h"

#include <nlohmann/json.hpp>

nlohmann::json ParsedEventJson(const ParsedEvent& event);
nlohmann::json TimeZoneRuleJson(const TimeZoneRule& rule);
nlohmann::json TimeZoneTableJson(const TimeZoneTable& table);
// An ANSI text as UTF-8.
std::string AnsiToUtf8(const std::string& text);
std::string WideToUtf8(const std::u16string& text);
