#pragma once

// Linking what an importer builds. Internal to the interchange library.

#include <new>

namespace clavenor {
class ECBase;
}

namespace clavenor::imported {

/// Links `child`, which nothing outside the graph holds, under `parent`. An importer builds
/// nothing the graph's rules refuse, so a refusal means the links found no memory: the child
/// and what is below it are then released and std::bad_alloc is thrown, and the import fails
/// whole with nothing left unowned (a child left unlinked would otherwise leak).
void LinkChild(ECBase* parent, ECBase* child, int sorted);

/// What a getter that makes on demand (a staff, an envelope, a measure) gave; its null means
/// no memory, so std::bad_alloc is thrown and the import fails whole.
template <class T>
T* Made(T* made) {
    if (made == nullptr) {
        throw std::bad_alloc();
    }
    return made;
}

} // namespace clavenor::imported
