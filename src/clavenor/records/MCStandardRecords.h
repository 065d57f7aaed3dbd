#pragma once

#include "clavenor/framework/Export.h"

namespace clavenor {

class DCMidiMessage;
class DCMidiTrack;
class DCNote;
class DCRest;
class ECBase;
class ECPerformance;

/// The standard records every host needs beside the elements (DCNote for notes and grace
/// notes, DCRest for rests, DCMidiTrack for staves, DCMidiMessage for system messages), and
/// the one call with which a host opts in to them.
///
/// The library registers nothing by itself: documents of hosts that never call Use keep
/// their exact bytes. Loading needs no registration either, since the archive finds the
/// record classes by name; a loaded document answers FindNote and FindRest at once.
class CLAVENOR_API MCStandardRecords {
public:
    /// Registers the standard records under `viewCode` (process-wide, replacing whatever
    /// was registered for notes, grace notes, rests, staves and system messages under that
    /// view code), and installs on `document` a command handler that fills the
    /// records of what CCAdd (or a command derived from it) adds: a note or grace note added
    /// with a note-on message takes its pitch and velocity from it (a note-off message gives
    /// the pitch and the release velocity), and a rest takes its rest type. The handler
    /// runs in the process phase, after the commands have linked their elements, on the
    /// owning thread; filling a record is not a separate undoable step (the record goes and
    /// comes back with its element).
    ///
    /// Returns 1, or 0 (nothing done) for a null document or a view code outside 0-5.
    /// Call it once per document; a second call installs a second handler, which does the
    /// same work again.
    static int Use(ECPerformance* document, int viewCode);

    /// Only the process-wide registration of Use, for hosts that make records themselves
    /// through ECBase::GetData. Returns 0 for a view code outside 0-5.
    static int Register(int viewCode);

    /// Takes the registrations of Register out of the data registry again (the entries of
    /// `viewCode` that still name a standard record). Existing records are not touched.
    static void Unregister(int viewCode);

    /// The note record of a note or grace note, whatever view code it sits under; null when
    /// it has none (or `element` is null).
    static DCNote* FindNote(ECBase* element);
    /// The rest record of a rest, whatever view code it sits under, or null.
    static DCRest* FindRest(ECBase* element);
    /// The track record of a staff, or null.
    static DCMidiTrack* FindTrack(ECBase* element);
    /// The message record of a system message, or null.
    static DCMidiMessage* FindMessage(ECBase* element);

    /// The record under `viewCode`, made through the data registry when missing (so Register
    /// must have run for that view code); null when none can be had.
    ///@{
    static DCNote* GetNote(ECBase* element, int viewCode);
    static DCRest* GetRest(ECBase* element, int viewCode);
    static DCMidiTrack* GetTrack(ECBase* element, int viewCode);
    static DCMidiMessage* GetMessage(ECBase* element, int viewCode);
    ///@}

    /// The command handler that Use installs, for hosts that order their handlers
    /// themselves; `userData` carries the view code (as an integer cast to a pointer).
    static int OnCommand(ECBase* owner, int phase, void* commands, void* userData);
};

} // namespace clavenor
