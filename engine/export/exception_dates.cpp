#include "engine/export/exception_dates.h"

#include <utility>

ExceptionDates::ExceptionDates(std::string separator)
    : separator_(std::move(separator)), exdates_(separator_) {}

void ExceptionDates::AddPlanned(const std::string& time) {
    if (exdates_.find(separator_ + time + separator_) == std::string::npos) {
        exdates_ += time + separator_;
    }
}

void ExceptionDates::AddMoved(const std::string& time) {
    if (!rdates_.empty()) {
        rdates_ += separator_;
    }
    rdates_ += time;
}

std::string ExceptionDates::ExDates() const {
    std::string list = exdates_.substr(separator_.size());
    if (list.size() >= separator_.size() &&
        list.compare(list.size() - separator_.size(), separator_.size(), separator_) == 0) {
        list.resize(list.size() - separator_.size());
    }
    return list;
}
