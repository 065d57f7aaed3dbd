#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

namespace clavenor {

/// A placeholder that shows a conductor element (a clef, key, meter or tempo) on a staff
/// (event id 35; allowed parent: measure, 32). It points at the element it shows without
/// holding it; the clefs, keys, meters and tempi keep lists of their mirrors (MCMirrorList)
/// and clear the pointer when they go.
///
/// Copying (copy construction, assignment, Copy) takes the ECWithTime part and the pointer
/// without registering; equality is that of ECWithTime.
///
/// Archive record: the ECWithTime record only. The pointer travels in the fix-up pass
/// (PostSerialize) as an object reference; after reading it the mirror registers with the
/// element. An element that keeps no mirror list, or one that was not written in the main
/// pass, is not kept: the mirror then shows nothing (a pointer to it could outlive it).
class CLAVENOR_API ECMirror : public ECWithTime {
    DECLARE_SERIAL(ECMirror)

public:
    ECMirror() = default;
    /// Points at `element` without registering with it.
    explicit ECMirror(ECBase* element) : m_pEvent(element) {}
    /// Copies the ECWithTime part and the pointer, without registering: the copy is not in the
    /// shown element's mirror list, so that element going does not clear the copy's pointer.
    /// Register it (SetMirrorEvent(element, 1)) or drop it before the shown element goes.
    ECMirror(const ECMirror& other) = default;
    ~ECMirror() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECMirror& operator=(const ECMirror& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Storing writes the reference to the shown element (null for one not in the
    /// archive); loading reads it and registers (SetMirrorEvent(element, 1)) when the
    /// element keeps a mirror list, else shows nothing.
    void PostSerialize(CArchive& ar) override;

    /// The element shown, or null; not held, valid while the mirror is registered with it.
    ECBase* GetMirrorEvent() const { return m_pEvent; }

    /// With `reg` non-zero, leaves the mirror list of the element shown so far and joins
    /// that of `element` (clefs, keys, meters and tempi keep one; other elements do not);
    /// then, in every case, points at `element`. Leaving a list releases that list's
    /// reference: a mirror that nothing else holds is destroyed on return.
    void SetMirrorEvent(ECBase* element, int reg);

private:
    ECBase* m_pEvent = nullptr;
};

} // namespace clavenor
