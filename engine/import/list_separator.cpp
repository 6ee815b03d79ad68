#include "engine/import/list_separator.h"

#include "platform/win32/code_page.h"
#include "platform/win32/locale.h"

std::u16string UserListSeparator() {
    char separator[16] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator) <= 1) {
        return u";";
    }
    return AnsiToWide(separator);
}
