#pragma once

namespace clavenor {

/// Opaque place in one of the model's linked lists or maps. A null position stands for
/// "before the head" or "past the tail", as each operation says. A position stays valid
/// until the node it names is removed from its list.
struct PositionTag;
using POSITION = PositionTag*;

} // namespace clavenor
