#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCAddTrack.h"
#include "clavenor/model/MCEventList.h"

#include <vector>

namespace clavenor {

class CDocument;
class ECTrack;

/// Inserts copies of existing tracks together with their content. CopyTrack makes the copy
/// of a staff or wave track (its attributes, no content) as an item; Process inserts the
/// copies as CCAddTrack does; Finish copies the content through the transfer format (see
/// CCCopy::DoCopyEvents): the elements of the selected kinds (every kind when none is
/// selected) directly under the source track and directly under its measures, mirrors
/// excepted. The copies get the new track number and are placed by one synchronous command
/// list, never recorded for undo: clefs with CCAddClef, keys with CCAddKey, other measure
/// content with a CCAdd into the new staff's measure at the element's time, and what lay
/// directly under the source track with a CCAdd under the new track. The copies are kept
/// for undo.
///
/// Undo takes the copied tracks out as CCAddTrack::Undo does, with the content in them: the
/// document saves the bytes it saved before. Redo inserts the same tracks again with that same
/// content (Finish copies only once), so that the entries recorded after the copy find the
/// elements they changed and the document saves the bytes it saved after. (Removing the
/// content first and copying it anew on redo would dissolve a copied chord or tuplet into
/// its measure, and hand the later entries elements they never saw.)
///
/// Prepare refuses a source outside the target document. When placing the content fails,
/// the batch fails and the inserted tracks go again (CCAddTrack::Revert).
class CLAVENOR_API CCCopyTracks : public CCAddTrack {
    DECLARE_SERIAL(CCCopyTracks)

public:
    CCCopyTracks();
    ~CCCopyTracks() override;

    int GetCommandId() const override;

    /// Appends `track` to the sources and, for a staff or a wave track, adds its copy as an
    /// item; other kinds are only listed. Nothing for a null track. Throws std::bad_alloc.
    void CopyTrack(ECTrack* track);

    ///@{
    /// The kinds of element to copy, by event id (none selected: every kind); adding one
    /// twice, or removing one not selected, changes nothing. Throws std::bad_alloc.
    void AddEvtType(int id);
    void RemoveEvtType(int id);
    ///@}

    ///@{
    /// The host's document, which the transfer archives carry; not held. Null by default.
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* document) { m_pDocument = document; }
    ///@}

    /// The tracks CopyTrack was given, in order, held by the command.
    MCEventList& GetSources() { return m_sources; }
    ///@{
    /// The copies of the content the last Finish placed: those directly under a track, and
    /// those in its measures. The command holds them while it lives.
    MCEventList& GetStaffCopies() { return m_staffCopies; }
    MCEventList& GetMeasureCopies() { return m_measureCopies; }
    ///@}

    /// CCBase::Prepare (not CCAdd's), then the sources' check.
    int Prepare() override;
    int Finish() override;
    void Undo() override;

private:
    bool Selected(ECBase* element) const;
    // Gives the placed copies the numbers of their staves again: the undo took the copied
    // staves out one by one, and each that went first moved the content of those after it.
    void Renumber();
    // Copies and places the content of `source` in `copy`; 0 when placing fails.
    int DoCopyTrack(ECTrack* source, ECTrack* copy);

    MCEventList m_sources;
    MCEventList m_staffCopies;
    MCEventList m_measureCopies;
    // The copy made for each source, null for a source only listed.
    std::vector<ECTrack*> m_copies;
    CDocument* m_pDocument = nullptr;
    std::vector<int> m_types;
    // Whether Finish placed the content; the redo then only inserts the tracks again.
    bool m_bPlaced = false;
};

} // namespace clavenor
