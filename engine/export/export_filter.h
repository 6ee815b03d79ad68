#pragma once
// ExportFilter: which appointments an export leaves out, as the export filter
// page fills it; the engine asks FilterItem for each appointment.

#include "platform/com/ole_date_time.h"
#include "platform/win32/types.h"

#include <string>

// Bits of ExportFilter::Flags.
inline constexpr DWORD kFilterSkipAllDay = 0x01;        // leave out all-day events
inline constexpr DWORD kFilterSkipPrivate = 0x02;       // leave out items not of normal sensitivity
inline constexpr DWORD kFilterExcludeCategories = 0x04; // leave out items with a listed category
inline constexpr DWORD kFilterOnlyCategories = 0x08;    // keep only items with a listed category
inline constexpr DWORD kFilterExcludeLabels = 0x10;     // leave out items with a listed label
inline constexpr DWORD kFilterOnlyLabels = 0x20;        // keep only items with a listed label
inline constexpr DWORD kFilterDateRange = 0x40;         // keep only items overlapping the range

struct ExportFilter {
    DWORD Flags = 0;
    // Category names separated by the user's list separator.
    std::string Categories;
    // Bit n - 1 stands for label n (1 to 10).
    DWORD LabelMask = 0;
    COleDateTime DateFrom = COleDateTime::Invalid();
    COleDateTime DateTo = COleDateTime::Invalid();
};
