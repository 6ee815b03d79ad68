#include "engine/import/import_log.h"

#include "support/lib_orvane.h"

ImportLogSink SupportLibraryLogSink() {
    return [](const std::string& text, LONG code, const char* where, int level, int flag) {
        LibOrvane().LogMsg(text.c_str(), code, where, level, flag);
    };
}
