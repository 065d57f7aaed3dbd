#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/DCBase.h"

#include <cstdint>

namespace clavenor {

/// Where a staff's MIDI goes: its channel and its output port. A staff holds only its
/// number and its measures; a sequencer host keeps this beside it (see MCStandardRecords).
///
/// Archive record: the DCBase record, then a layout byte (1), the channel and the port. An
/// unknown layout is refused with CArchiveException(badSchema).
class CLAVENOR_API DCMidiTrack : public DCBase {
    DECLARE_SERIAL(DCMidiTrack)

public:
    /// A channel or port value that says "none chosen".
    static constexpr std::uint8_t None = 0xFF;

    /// No channel, no port.
    DCMidiTrack() = default;
    /// Copies the values (not the owner).
    DCMidiTrack(const DCMidiTrack& other);
    ~DCMidiTrack() override;
    /// Copies the values, keeps the owner.
    DCMidiTrack& operator=(const DCMidiTrack& other);

    ///@{
    /// Equal when the DCBase state and every value are.
    bool operator==(const DCMidiTrack& other) const;
    bool operator!=(const DCMidiTrack& other) const { return !(*this == other); }
    ///@}

    /// Writes or reads the archive record described above; a damaged record throws
    /// CArchiveException.
    void Serialize(CArchive& ar) override;
    /// Copies the values of `src` when it is a DCMidiTrack; returns this.
    DCBase* Copy(CObject* src) override;

    /// 0-15, or None.
    std::uint8_t GetChannel() const { return m_nChannel; }
    /// Stores 0-15 or None; returns 0 and keeps the channel for anything else.
    int SetChannel(int channel);
    /// 0-127 (the port of a MIDI port meta event), or None.
    std::uint8_t GetPort() const { return m_nPort; }
    /// Stores 0-127 or None; returns 0 and keeps the port for anything else.
    int SetPort(int port);

private:
    static constexpr std::uint8_t Layout = 1;

    std::uint8_t m_nChannel = None;
    std::uint8_t m_nPort = None;
};

} // namespace clavenor
