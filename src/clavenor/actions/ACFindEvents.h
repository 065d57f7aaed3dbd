#pragma once

#include "clavenor/actions/ACTypeFilterBase.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

#include <cstdint>

namespace clavenor {

/// Collects the elements of the walk that pass the type filter, in walk order, up to a
/// maximum count.
///
/// The found list holds one reference on each element it stores, so found elements stay
/// alive until the list is emptied (the next BeginAction) or the action is destroyed, even
/// when they leave the graph meanwhile. An element reached twice (one with two parents) is
/// collected twice.
class CLAVENOR_API ACFindEvents : public ACTypeFilterBase {
public:
    static constexpr std::int32_t NoMaximum = 0x7FFFFFFF;

    explicit ACFindEvents(int size = 1, int reverse = 0);

    /// Empties the found list (releasing its references) and sets the count to 0.
    int BeginAction() override;

    /// When `element` passes the filter, appends it and counts it; returns 2 (stop) once the
    /// count has reached the maximum, else 0. Returns -1 (abort) when no memory is left to
    /// store it.
    int DoAction(ECBase* element) override;

    int GetEventCount() const { return m_nCount; }
    MCEventList* GetEvents() { return &m_found; }
    int GetMaxEventCount() const { return m_nMaxCount; }
    void SetMaxEventCount(int maximum) { m_nMaxCount = maximum; }

protected:
    /// Appends `element` to the found list without counting it; false when no memory is
    /// left.
    bool AddFound(ECBase* element);

private:
    int m_nCount = 0;
    int m_nMaxCount = NoMaximum;
    MCEventList m_found;
};

} // namespace clavenor
