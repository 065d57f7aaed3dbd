#pragma once

#include "clavenor/framework/Export.h"

namespace clavenor {

class MCCommandList;
class MCEventList;

/// Turns a selection into the commands that delete it, appended to `commands` (which may
/// hold commands already) for the host to apply. The selection is first collapsed to its
/// ancestors (an element below another selected element goes with that one). Then, by kind:
///  - barlines, beams, conductor measures, conductor staves, dots, measures, performances
///    and staves are not removed this way;
///  - a key, a clef or a meter later than time zero gets a CCRemoveKey, CCRemoveClef or
///    CCRemoveMeter of its own; one at time zero stays;
///  - a dynamic, pedal, tempo or transposition mark gets a CCRemoveEnvPoint of its own;
///  - a track's name (a text of type 3) is not removed but emptied: the list's one CCEdit
///    (command id 21), made when the list has none, gets an item for the text whose edit
///    copy holds the empty string (undone by the CCEdit's own undo);
///  - everything else goes into the list's one CCRemove (command id 36), made when the list
///    has none.
///
/// Returns 0 for a null selection and for a selection whose elements do not all lie in one
/// document (elements outside every document, or of two documents), leaving `commands`
/// untouched; otherwise 1 when `commands` holds a command afterwards, else 0. A null
/// `commands` gives 0. std::bad_alloc may leave a CCRemove or a CCEdit that was in the
/// list holding part of the selection; nothing else is appended then. On the owning thread.
CLAVENOR_API int ConfigureRemove(MCEventList* selection, MCCommandList* commands);

} // namespace clavenor
