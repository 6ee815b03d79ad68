#include "engine/export/calendar_header.h"

#include "engine/export/export_options.h"

#include <string>

namespace {

// The product version shown in PRODID. Our module carries no version
// resource, so it reads as 1.0, the value used whenever the resource cannot
// be read.
struct ProductVersion {
    int major = 1;
    int minor = 0;
};

} // namespace

int WriteCalendarHeader(int format, TextBuffer& header) {
    if (format != kFormatVCalendar10 && format != kFormatICalendar20) {
        return -1;
    }
    ProductVersion version;
    header.Append("BEGIN:VCALENDAR\r\n");
    header.Append("PRODID:-//Orvane Corporation//Quillane " + std::to_string(version.major) + "." +
                  std::to_string(version.minor) + "//EN\r\n");
    header.Append(format == kFormatVCalendar10 ? "VERSION:1.0\r\n" : "VERSION:2.0\r\n");
    if (format == kFormatICalendar20) {
        header.Append("METHOD:PUBLISH\r\n");
    }
    return 0;
}
