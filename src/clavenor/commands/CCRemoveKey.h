#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CCAddKey;
class CCKeyInfo;
class ECKey;
class MCMarkEdit;

/// Takes one key out of its measure, and with it the next key of the same hand when that
/// one would repeat the key in force before (only while the can-undo flag is set). Mirrors
/// that show a key that leaves stop showing it and leave their measures.
///
/// Info 0 is the removed key, info 1 the key of the same hand in force just before it,
/// info 2 the next one; a set remove flag says this command takes that key out. Prepare
/// fails (the batch aborts) when the key's measure is under no staff of the conductor's
/// staff table.
///
/// Undo applies a command that takes this change back step by step: the document saves the
/// bytes it saved before; redo makes the same change again. All or nothing, as CCAddKey.
class CLAVENOR_API CCRemoveKey : public CCRemove {
    DECLARE_SERIAL(CCRemoveKey)

public:
    CCRemoveKey();
    /// A command for `key`: Remove(key).
    explicit CCRemoveKey(ECKey* key);
    ~CCRemoveKey() override;

    int GetCommandId() const override;

    /// One key per command: the first key becomes info 0 (remove flag set) and the item;
    /// a second key, and any element that is not a key, returns null and changes nothing.
    CCRemoveItem* Remove(ECBase* element) override;
    /// The list form, which offers each element to the element form above.
    using CCRemove::Remove;

    ///@{
    /// As CCAddKey's accessors.
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
    friend class CCAddKey;

    /// The undo of `addition`: takes its recorded change back.
    explicit CCRemoveKey(CCAddKey* addition);

    std::unique_ptr<MCMarkEdit> m_pEdit;
};

} // namespace clavenor
