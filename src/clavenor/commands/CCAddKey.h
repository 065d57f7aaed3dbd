#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CCKeyInfo;
class CCRemoveKey;
class ECKey;
class ECMeasure;
class MCMarkEdit;

/// Puts one key into a measure of a staff and keeps its neighbours of the same hand
/// meaningful: a key already at that time is replaced (it leaves its measure), and the next
/// key, when it equals the new one, has become redundant and leaves too. Keys of the other
/// hand are not touched. Neighbours are flagged only while the can-undo flag is set (the
/// undo of a removal re-adds without replacing anything). Mirrors that show a key that
/// leaves stop showing it and leave their measures.
///
/// Info 0 is the new key, info 1 the key in force at its time before the command, info 2
/// the next one of the same hand; a set remove flag says this command takes that neighbour
/// out. Prepare finds the neighbours from the staff's clef and key cache; it fails (the
/// batch aborts) when the measure is under no staff of the conductor's staff table.
///
/// Undo applies a command that takes this change back step by step: the document saves the
/// bytes it saved before; redo (Process again) makes the same change, and it saves the bytes
/// of after. All or nothing: std::bad_alloc while processing changes nothing, and Revert
/// needs no memory. The staves' clef and key caches are rebuilt, at a cost of a walk over
/// every staff's measures.
class CLAVENOR_API CCAddKey : public CCAdd {
    DECLARE_SERIAL(CCAddKey)

public:
    CCAddKey();
    /// A command that adds `key` to `measure`.
    CCAddKey(ECKey* key, ECMeasure* measure);
    ~CCAddKey() override;

    int GetCommandId() const override;

    /// One key per command: the first call with a key makes info 0 and the item; any later
    /// call, and a call with anything but a key, returns null and changes nothing.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;

    ///@{
    /// Info `index` (0, 1 or 2) and what it says; null, respectively MCTime::TimeNull() and
    /// 0, when absent.
    CCKeyInfo* GetKeyInfo(int index) const;
    ECKey* GetKey(int index) const;
    MCTime GetKeyTime(int index) const;
    std::uint8_t GetKeyHand(int index) const;
    ///@}

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    friend class CCRemoveKey;

    /// The undo of `removal`: takes its recorded change back.
    explicit CCAddKey(CCRemoveKey* removal);

    std::unique_ptr<MCMarkEdit> m_pEdit;
};

} // namespace clavenor
