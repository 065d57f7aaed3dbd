#include "clavenor/elements/MCMirrorList.h"

#include "clavenor/elements/ECMirror.h"

namespace clavenor {

MCMirrorList::~MCMirrorList() { RemoveMirrors(); }

void MCMirrorList::AddMirror(ECMirror* mirror) {
    if (mirror == nullptr || m_mirrors.Find(mirror) != nullptr) {
        return;
    }
    if (m_mirrors.AddTail(mirror) != nullptr) {
        mirror->SetMirrorEvent(dynamic_cast<ECBase*>(this), 0);
    }
}

void MCMirrorList::RemoveMirror(ECMirror* mirror) {
    const POSITION pos = m_mirrors.Find(mirror);
    if (pos == nullptr) {
        return;
    }
    mirror->SetMirrorEvent(nullptr, 0);
    m_mirrors.RemoveAt(pos);
}

void MCMirrorList::RemoveMirrors() {
    while (!m_mirrors.IsEmpty()) {
        RemoveMirror(static_cast<ECMirror*>(m_mirrors.GetTail()));
    }
}

} // namespace clavenor
