#pragma once

#include "clavenor/fields/FCMidi.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

class ECBase;

/// One element to link under one parent, with the MIDI message that travels beside it.
/// The item holds the child and the parent with command holds (see
/// ECBase::AddCommandHold): material that only items hold is dismantled when the last of
/// them lets it go outside every document.
class CLAVENOR_API CCAddItem {
public:
    /// No child, no parent, no MIDI message (FCMidi::MidiNull()).
    CCAddItem() = default;
    /// Holds `child` and `parent` (either may be null; a hold needs no memory) and keeps
    /// `data`.
    CCAddItem(ECBase* child, ECBase* parent, const FCMidi& data);
    /// Releases the child and the parent (never throws).
    virtual ~CCAddItem();
    ///@{
    /// Not copyable: the holds are the item's own.
    CCAddItem(const CCAddItem&) = delete;
    CCAddItem& operator=(const CCAddItem&) = delete;
    ///@}

    ///@{
    /// The element to link and the parent to link it under, held by the item; null when
    /// unset.
    ECBase* GetChild() const { return m_pChild; }
    ECBase* GetParent() const { return m_pParent; }
    ///@}
    ///@{
    /// Store `element`, holding it and releasing the one stored before.
    void SetChild(ECBase* child);
    void SetParent(ECBase* parent);
    ///@}

    ///@{
    /// The MIDI message that travels beside the child (a note's pitch and velocities, a
    /// controller's number and value), for the host's handlers and records; the library does
    /// not interpret it. The getter returns the item's own object.
    virtual FCMidi& GetMidiData() { return m_data; }
    virtual void SetMidiData(std::uint32_t word) { m_data = FCMidi(word); }
    virtual void SetMidiData(const FCMidi& data) { m_data = data; }
    ///@}

private:
    ECBase* m_pChild = nullptr;
    ECBase* m_pParent = nullptr;
    FCMidi m_data = FCMidi::MidiNull();
};

} // namespace clavenor
