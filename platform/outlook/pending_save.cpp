#include "platform/outlook/pending_save.h"

void PendingSave::Take(const AppointmentRecord& record, const ItemChanges& changes, bool isNew) {
    record_ = record;
    changes_ = changes;
    if (changes.storedRow) {
        storedRow_ = *changes.storedRow;
        changes_.storedRow = &storedRow_;
    }
    isNew_ = isNew;
    active_ = true;
}

void PendingSave::Merge(const AppointmentRecord& record, const ItemChanges& changes) {
    record_ = record;
    changes_.fields = changes_.fields || changes.fields;
    changes_.recipients = changes_.recipients || changes.recipients;
    changes_.exceptions = changes_.exceptions || changes.exceptions;
    changes_.allProps = changes_.allProps || changes.allProps;
    for (LONG propId : changes.props) {
        changes_.AddProp(propId);
    }
}
