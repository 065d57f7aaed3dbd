#pragma once

// What an importer has made and no parent holds yet. Internal to the interchange library.

#include <clavenor/model/Ref.h>

#include <new>
#include <vector>

namespace clavenor {
class ECBase;
}

namespace clavenor::imported {

/// What a getter that makes on demand (a staff, an envelope, a measure) gave; its null means
/// no memory, so std::bad_alloc is thrown and the import fails whole.
template <class T>
T* Made(T* made) {
    if (made == nullptr) {
        throw std::bad_alloc();
    }
    return made;
}

/// The elements an import has made and not yet linked, each held by one reference, so that
/// an exception on the way to the link (no memory, a malformed file) releases them with the
/// import instead of leaking them. An element is made, held, set up and linked, in that
/// order; most are linked at once, so the holds stay few. When the import is over (done or
/// unwinding) the remaining holds are given back: an element that found a parent stays with
/// it, one that did not is released with what is below it.
class LooseElements {
public:
    /// Holds `made`, which nothing holds yet, and returns it. When no memory is left for the
    /// hold, `made` is released and std::bad_alloc thrown.
    template <class T>
    T* Hold(T* made) {
        Keep(made);
        return made;
    }

    /// Links `child` under `parent` and gives back the hold on it when it is the latest one
    /// (later ones are given back with the import). An importer builds nothing the graph's
    /// rules refuse, so a refusal means the links found no memory: std::bad_alloc is thrown
    /// and the child, held or not, is released with the import.
    void Link(ECBase* parent, ECBase* child, int sorted);

    /// Releases `element`, which no parent took, now rather than with the import.
    void Drop(ECBase* element);

private:
    void Keep(ECBase* made);

    std::vector<Ref<ECBase>> m_holds;
};

} // namespace clavenor::imported
