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
    /// The maximum count that does not limit (the default).
    static constexpr std::int32_t NoMaximum = 0x7FFFFFFF;

    /// A search walking down (`reverse` 0) or up, with a type filter of `size` unused entries (see
    /// ACTypeFilterBase), without maximum.
    explicit ACFindEvents(int size = 1, int reverse = 0);

    /// Empties the found list (releasing its references) and sets the count to 0.
    int BeginAction() override;

    /// When `element` passes the filter, appends it and counts it; returns 2 (stop) once the
    /// count has reached the maximum, else 0. Returns -1 (abort) when no memory is left to
    /// store it.
    int DoAction(ECBase* element) override;

    /// The number of elements counted since the last BeginAction (subclasses that append
    /// without counting leave it below the length of the found list).
    int GetEventCount() const { return m_nCount; }
    /// The found list itself; it holds a reference on each element, given back when the list
    /// is emptied (next BeginAction) or the action goes. Take a reference of your own to keep
    /// an element longer.
    MCEventList* GetEvents() { return &m_found; }
    /// The count at which DoAction stops the walk.
    int GetMaxEventCount() const { return m_nMaxCount; }
    /// Sets the count at which DoAction stops the walk (NoMaximum: never).
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
