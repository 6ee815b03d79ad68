#pragma once
// Category lists as the export filter compares them: names separated by the
// user's list separator, trimmed, compared without regard to case, the list
// ending at the first empty name.
//
//   HasListedCategory("Private", "Business; Private", ";")   true
//   HasListedCategory("Private", "Priv", ";")                false

#include <string>

// Whether one of the item's categories is one of the listed ones.
bool HasListedCategory(const std::string& itemCategories, const std::string& listed,
                       const std::string& separator);
