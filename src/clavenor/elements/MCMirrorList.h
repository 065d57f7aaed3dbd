#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

class ECBase;
class ECMirror;

/// The list of mirrors that show an element elsewhere in the score: clefs, keys, meters and
/// tempi (event ids 14, 29, 33 and 57) derive from it beside their element class, and
/// ECMirror::SetMirrorEvent registers with it. The list holds a reference on each mirror;
/// the mirror keeps a plain pointer back, which RemoveMirror and the destructor clear, so a
/// mirror never points at an element that is gone.
class CLAVENOR_API MCMirrorList {
public:
    MCMirrorList() = default;
    /// A copy shows nothing: mirrors belong to the element they were registered with.
    MCMirrorList(const MCMirrorList&) {}
    /// Keeps this list as it is, for the same reason as the copy constructor.
    MCMirrorList& operator=(const MCMirrorList&) { return *this; }
    /// RemoveMirrors().
    virtual ~MCMirrorList();

    /// Appends `mirror` (taking a reference on it), then makes this element its mirrored
    /// event without registering again. Ignored for a null mirror, one already listed, or
    /// when no memory is left.
    void AddMirror(ECMirror* mirror);
    /// Clears the mirror's event, then takes it out of the list, releasing the list's
    /// reference (which may destroy the mirror). Ignored for a mirror not listed.
    void RemoveMirror(ECMirror* mirror);
    /// RemoveMirror for every mirror.
    void RemoveMirrors();
    /// The mirrors, each held by the list. Iterate it; change it only through AddMirror and
    /// RemoveMirror, which keep the mirrors' pointers back in step.
    MCEventList& GetMirrors() { return m_mirrors; }

private:
    MCEventList m_mirrors;
};

} // namespace clavenor
