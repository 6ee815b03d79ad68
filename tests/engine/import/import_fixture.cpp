#include "tests/engine/import/import_fixture.h"

#include "platform/outlook/outlook_store.h"
#include "platform/win32/message_box.h"
#include "platform/win32/registry.h"

std::string Calendar(const std::string& version, const std::vector<std::string>& lines) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:" + version + "\r\nPRODID:test\r\n";
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

std::vector<std::string> Event(const std::vector<std::string>& lines) {
    std::vector<std::string> event{"BEGIN:VEVENT"};
    event.insert(event.end(), lines.begin(), lines.end());
    event.push_back("END:VEVENT");
    return event;
}

ImportTest::ImportTest() {
    RegistryReset();
    outlook_ = OpenOutlookStore(folder_.File("calendar.db"), true, u"14.0.0.4760", OutlookHooks{});
    SetMessageBoxHook([this](HWND, const std::string& text, const std::string& caption, UINT type) {
        boxes_.push_back({text, caption, type});
        return boxAnswer_;
    });
    GetSystemTimeZone(defaultZone_);
    engine_ = std::make_unique<CvCalImport>(
        [this](const std::string& text, LONG, const char* where, int level, int) {
            log_.push_back({text, where, level});
        });
    // Reminders of events after this moment are set.
    engine_->LocalNow = [] { return COleDateTime(2026, 1, 1, 0, 0, 0); };
}

ImportTest::~ImportTest() {
    SetMessageBoxHook(nullptr);
}

CComPtr<MAPIFolder> ImportTest::CalendarFolder() {
    return outlook_->GetSession()->GetDefaultFolder(olFolderCalendar);
}

std::vector<CComPtr<_AppointmentItem>> ImportTest::Appointments() {
    CComPtr<_Items> items = CalendarFolder()->GetItems();
    items->Sort(u"[Start]");
    std::vector<CComPtr<_AppointmentItem>> all;
    for (CComPtr<IUnknown> item = items->GetFirst(); item; item = items->GetNext()) {
        all.push_back(QueryInterface<_AppointmentItem>(item));
    }
    return all;
}

ImportRun ImportTest::ImportPaths(const std::vector<std::string>& paths, int conflict,
                                  const ImportFilter* filter) {
    ImportOptions options;
    options.Application = outlook_;
    options.Paths = paths;
    options.TargetFolder = CalendarFolder();
    options.ConflictResolution = conflict;
    options.DefaultTimeZone = defaultZone_;
    options.DefaultTimeZoneName = defaultZoneName_;
    options.UseFilter = filter != nullptr;
    return engine_->Run(options, filter ? *filter : ImportFilter{}, progress_, nullptr);
}

ImportRun ImportTest::ImportText(const std::string& name, const std::string& text, int conflict,
                                 const ImportFilter* filter) {
    return ImportPaths({folder_.Write(name, text)}, conflict, filter);
}

CComPtr<_AppointmentItem> ImportTest::Only() {
    std::vector<CComPtr<_AppointmentItem>> all = Appointments();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? nullptr : all.front();
}

bool ImportTest::Logged(const std::string& part) const {
    for (const LoggedLine& line : log_) {
        if (line.text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}
