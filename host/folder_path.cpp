#include "host/folder_path.h"

#include "engine/common/outlook_constants.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"

#include <vector>

namespace {

constexpr UINT kUtf8 = 65001;

std::vector<std::u16string> PathNames(const std::string& path) {
    std::string rest = path;
    while (!rest.empty() && rest.front() == '\\') {
        rest.erase(0, 1);
    }
    std::vector<std::u16string> names;
    std::size_t at = 0;
    while (at <= rest.size()) {
        std::size_t end = rest.find('\\', at);
        std::string name = rest.substr(at, end == std::string::npos ? end : end - at);
        if (!name.empty()) {
            names.push_back(MultiByteToWide(kUtf8, name).value_or(u""));
        }
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return names;
}

} // namespace

CComPtr<MAPIFolder> FolderAtPath(_NameSpace& session, const std::string& path) {
    std::vector<std::u16string> names = PathNames(path);
    if (names.empty()) {
        return session.GetDefaultFolder(olFolderCalendar);
    }
    CComPtr<MAPIFolder> folder = session.GetFolders()->Item(_variant_t(names.front()));
    for (std::size_t i = 1; i < names.size(); ++i) {
        folder = folder->GetFolders()->Item(_variant_t(names[i]));
    }
    return folder;
}
