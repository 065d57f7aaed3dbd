#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/commands/CCAddEnvPtItem.h"
#include "clavenor/framework/Export.h"

#include <memory>

namespace clavenor {

class CCRemoveEnvPoint;
class ECEnvPoint;
class ECEnvelope;
class MCEnvPointEdit;

/// Adds points to envelopes, each with the other points of its mark (its anchor list): the
/// points enter the envelope in time order, all of a list are marked anchored (the first as
/// the head of its group) and the list becomes one of the envelope's anchor groups. The
/// subclasses for dynamics, pedals, tempo and transposition marks give the new point its
/// value and make the end point of a mark that lasts (PrepareItem).
///
/// Prepare fails (0, the batch aborts) when an item's envelope is not in the target
/// document. Items whose point belongs to the anchor list of another item are taken out
/// (that item adds it). Process fails, changing nothing, when an envelope refuses a point (it
/// has one at that time, or the time is a bar/pulse/tick time).
///
/// Undo applies a CCRemoveEnvPoint of the points that takes this change back step by step:
/// the document saves the bytes it saved before, its anchor groups in their order; redo
/// (Process again) makes the same change and the bytes of after come back. All or nothing:
/// std::bad_alloc while processing changes nothing, and Revert needs no memory. Tempo maps
/// whose marks changed recompute their clock times.
class CLAVENOR_API CCAddEnvPoint : public CCAdd {
    DECLARE_SERIAL(CCAddEnvPoint)

public:
    CCAddEnvPoint();
    /// A command with one item.
    CCAddEnvPoint(ECEnvPoint* point, ECEnvelope* envelope);
    ~CCAddEnvPoint() override;

    int GetCommandId() const override;

    /// Appends a CCAddEnvPtItem adding `child` (a point) to `parent` (an envelope) and
    /// returns it. Null, changing nothing, when the child is not a point, the parent not an
    /// envelope, or the point lies in an envelope already.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;
    /// Item `index`, or null.
    CCAddEnvPtItem* GetEnvItem(int index) const;

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

    /// 0 when the item's point belongs to the anchor list of another item, else 1.
    virtual int PrepareItem(CCAddEnvPtItem* item);
    /// Records, on the first run, what the item's anchor list brings: every point of it
    /// marked anchored (the first one the head), the points other than the item's own added
    /// to the envelope, and the list made an anchor group. False when the envelope refuses a
    /// point or the group.
    virtual int ProcessItem(CCAddEnvPtItem* item);

protected:
    friend class CCRemoveEnvPoint;

    /// The undo of `removal`: takes its recorded change back.
    explicit CCAddEnvPoint(CCRemoveEnvPoint* removal);

    /// Whether `element` lies in the target document.
    bool InTarget(ECBase* element) const;
    /// The envelope of an item.
    static ECEnvelope* EnvelopeOf(const CCAddItem* item);
    /// The first run of Process: each point into its envelope, then ProcessItem for each.
    virtual bool Record();

    /// The journal of the points and groups this command changed, which Undo and Revert replay.
    std::unique_ptr<MCEnvPointEdit> m_pEdit;
};

} // namespace clavenor
