#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/commands/CCRemoveEnvPtItem.h"
#include "clavenor/framework/Export.h"

#include <memory>

namespace clavenor {

class CCAddEnvPoint;
class ECEnvPoint;
class MCEnvPointEdit;

/// Removes envelope points with the marks they belong to: every point of a removed point's
/// anchor group leaves the envelope with it, and the group goes. Mirrors that show a
/// removed tempo mark stop showing it and leave their measures. Removing a pause (tempo
/// type 24) at time zero puts back at zero the opening tempo that adding it had moved one
/// tick before.
///
/// Prepare fails (0, the batch aborts) when an item's point lies in no envelope of the
/// target document. Items whose point is in another item's anchor list are taken out.
///
/// Undo applies one command (a CCAddTempo when a tempo mark was removed, else a
/// CCAddEnvPoint) that takes this change back step by step: the document saves the bytes
/// it saved before, its anchor groups in their places; redo makes the same change again.
/// All or nothing, as CCAddEnvPoint.
class CLAVENOR_API CCRemoveEnvPoint : public CCRemove {
    DECLARE_SERIAL(CCRemoveEnvPoint)

public:
    CCRemoveEnvPoint();
    /// A command with one item.
    explicit CCRemoveEnvPoint(ECEnvPoint* point);
    ~CCRemoveEnvPoint() override;

    int GetCommandId() const override;

    /// Makes a CCRemoveEnvPtItem for `element` (recording its envelope) and returns it;
    /// null, changing nothing, when the element is not a point or has an item already.
    CCRemoveItem* Remove(ECBase* element) override;
    /// The list form, which offers each element to the element form above.
    using CCRemove::Remove;
    /// Item `index`, or null.
    CCRemoveEnvPtItem* GetEnvItem(int index) const;

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

    /// 0 when another item's anchor list holds the item's point; otherwise gives the item
    /// the anchor group of its point as anchor list (when it has none yet), and 1.
    virtual int PrepareItem(CCRemoveEnvPtItem* item);
    /// Records, on the first run, that the other points of the item's anchor list leave
    /// their envelope, that the group goes, and the opening tempo's return to zero.
    virtual int ProcessItem(CCRemoveEnvPtItem* item);

private:
    friend class CCAddEnvPoint;

    /// The undo of `addition`: takes its recorded change back.
    explicit CCRemoveEnvPoint(CCAddEnvPoint* addition);
    bool Record();

    std::unique_ptr<MCEnvPointEdit> m_pEdit;
};

} // namespace clavenor
