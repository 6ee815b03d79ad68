#pragma once
// The EXDATE and RDATE lists of a recurring event: the planned times of its
// changed occurrences (each once) and the times they were moved to. An
// occurrence moved to another day also excludes that day at the planned
// clock time, so that readers which match exclusions by date drop it there.
//
//   ExceptionDates dates(",");
//   dates.AddPlanned("20070305T090000Z");
//   dates.AddMoved("20070305T110000Z");
//   dates.ExDates()   "20070305T090000Z"
//   dates.RDates()    "20070305T110000Z"

#include <string>

class ExceptionDates {
public:
    explicit ExceptionDates(std::string separator);

    // Adds a time to the EXDATE list unless it is there already.
    void AddPlanned(const std::string& time);
    void AddMoved(const std::string& time);

    // The lists joined by the separator.
    std::string ExDates() const;
    const std::string& RDates() const { return rdates_; }

private:
    std::string separator_;
    std::string exdates_; // starts and ends with the separator
    std::string rdates_;
};
