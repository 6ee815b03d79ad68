#pragma once
// CvSyncEngine: the one long-lived object of the engine side. It owns the
// export and import engines and the open settings key (HKEY_CURRENT_USER
// "Software\Orvane\Quillane") that it hands to every page, and keeps the
// Outlook application it passes to the engines.

#include "engine/common/outlook_application.h"
#include "engine/export/cv_cal_export.h"
#include "engine/import/cv_cal_import.h"
#include "platform/win32/registry.h"

class CvSyncEngine {
public:
    // Builds the export engine, tells it the Outlook version and opens (or
    // creates) the settings key; without the key the pages find no settings.
    CvSyncEngine(_Application* application, int outlookVersion);
    virtual ~CvSyncEngine();
    CvSyncEngine(const CvSyncEngine&) = delete;
    CvSyncEngine& operator=(const CvSyncEngine&) = delete;

    CvCalExport& ExportEngine() { return export_; }
    CvCalImport& ImportEngine() { return import_; }
    _Application* Application() const { return application_; }

    // Null when the key could not be opened.
    HKEY SettingsKey = nullptr;

private:
    CvCalExport export_;
    CvCalImport import_;
    _Application* application_;
};
