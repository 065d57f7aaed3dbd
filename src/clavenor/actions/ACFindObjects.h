#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

/// Tells whether a walk reaches any of a set of elements, and stops at the first it meets.
///
/// The set is an MCEventList, so the action holds one reference on each element in it for
/// as long as the element stays in the set. Cost per visited element: a search of the set.
class CLAVENOR_API ACFindObjects : public ACBase {
public:
    /// A set of `object` alone (empty for null), walking down.
    explicit ACFindObjects(ECBase* object);
    /// A set of the elements of `objects` (empty for null), walking down.
    explicit ACFindObjects(MCEventList* objects);

    /// Clears the found flag.
    int BeginAction() override;
    /// Sets the found flag and returns 2 (stop) when `element` is in the set; else 0.
    int DoAction(ECBase* element) override;

    /// Append without sorting; a null element or list adds nothing. AddObject returns 1, or
    /// 0 for null or when no memory is left.
    [[nodiscard]] int AddObject(ECBase* object);
    /// AddObject for each element of `objects` in order; stops at the first failure.
    void AddObjects(MCEventList* objects);
    /// Remove the first occurrence of each element given.
    void RemoveObject(ECBase* object);
    /// RemoveObject for each element of `objects`; null removes nothing.
    void RemoveObjects(MCEventList* objects);

    /// The set itself (it holds a reference on each element); change it through the calls
    /// above or the list's own, which keep the references right.
    MCEventList* GetObjects() { return &m_objects; }

    /// 1 once a walk since the last BeginAction has met an element of the set, else 0.
    int ObjectsFound() const { return (m_nFlags & FlagDerived) != 0 ? 1 : 0; }

private:
    MCEventList m_objects;
};

} // namespace clavenor
