#pragma once
// The user's list separator (the locale's, ";" when it gives none), which
// joins the category names of an imported event.

#include <string>

std::u16string UserListSeparator();
