#pragma once
// ItemDates: the current event's start and end in local time, as one
// appointment needs them. The filter, the conflict search, the times of an
// appointment without a rule and its reminder each read them; they are
// converted once for the item.

#include "engine/import/cvcal_parser.h"

class ItemDates {
public:
    explicit ItemDates(CvCalParser& parser) : parser_(parser) {}

    // Forgets both, for the next item: its dates, the parser's zones or the
    // system zone may differ.
    void Clear() {
        start_.known = false;
        end_.known = false;
    }

    // As CvCalParser::ToDate of the event's start or end text in its zone,
    // mode kToDateLocal. A date in a zone the parser does not hold is
    // converted (and its zone's absence logged) each time.
    bool LocalStart(COleDateTime& out) { return Local(parser_.Event.Start, start_, out); }
    bool LocalEnd(COleDateTime& out) { return Local(parser_.Event.End, end_, out); }

private:
    struct Conversion {
        bool known = false;
        bool converted = false;
        COleDateTime value;
    };

    bool Local(const EventDate& date, Conversion& kept, COleDateTime& out);

    CvCalParser& parser_;
    Conversion start_;
    Conversion end_;
};
