#include "engine/common/redemption.h"

#include <utility>

namespace {

RedemptionFactory& Factory() {
    static RedemptionFactory factory;
    return factory;
}

} // namespace

void SetRedemptionFactory(RedemptionFactory factory) {
    Factory() = std::move(factory);
}

HRESULT CreateRedemptionObject(std::u16string_view progId, CComPtr<IUnknown>& object) {
    object.Release();
    if (Factory()) {
        object = Factory()(progId);
    }
    return object ? S_OK : REGDB_E_CLASSNOTREG;
}
