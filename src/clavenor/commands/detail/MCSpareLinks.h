#pragma once

#include <cstddef>

namespace clavenor {

class ECBase;
class MCEventList;

/// List nodes set aside in a list of their own (the spares: nodes holding nothing) for links
/// that a failed batch puts back, so that putting them back needs no memory and puts each
/// where it stood (ECWithChild::UnparkChild) rather than where AddChild would. Only for
/// parents that keep nothing over their children but the list (a measure, a staff or a
/// group, for the links it is given), since no class's AddChild runs.
///
/// Used on the owning thread, inside the batch of the command that owns the spares.
class MCSpareLinks {
public:
    MCSpareLinks() = delete;

    /// Sets aside in `spares` the nodes of `links` more links. Throws std::bad_alloc,
    /// keeping what the list had.
    static void Reserve(MCEventList& spares, std::size_t links);

    /// Links `child` under `parent`, after `childBefore` among the parent's children and
    /// `parentBefore` among the child's parents (null: at the heads; one that is not there
    /// any more: by time, and at the tail), with a pair of nodes from `spares`. With none
    /// left, through the parent's AddChild, which may need memory and places by time.
    /// Nothing for a pair already linked, a null element or a parent without a children
    /// list. The caller keeps the neighbours alive; the links hold references of their own.
    static void Link(MCEventList& spares, ECBase* parent, ECBase* child, ECBase* childBefore,
                     ECBase* parentBefore);
};

} // namespace clavenor
