#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/DCBase.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clavenor {

/// The bytes of a MIDI message that the model keeps no element of its own for, attached to
/// the system message (ECSystemMessage) that stands for it: a system exclusive message, or
/// a Standard MIDI File meta event such as a sequencer-specific one. Kept so that what a
/// document cannot show still goes back out as it came in (see MCStandardRecords).
///
/// Archive record: the DCBase record, a layout byte (1), the status (0xF0 or 0xF7 for system
/// exclusive, 0xFF for a meta event), the meta type (0 for system exclusive), then the data
/// as a count and that many bytes. An unknown layout is refused with
/// CArchiveException(badSchema); a count larger than the stream is an endOfFile error, found
/// without allocating more than the stream holds.
class CLAVENOR_API DCMidiMessage : public DCBase {
    DECLARE_SERIAL(DCMidiMessage)

public:
    ///@{
    /// The statuses a message may have: a system exclusive message, its escaped form (a
    /// continuation or raw bytes), a meta event.
    static constexpr std::uint8_t SysEx = 0xF0;
    static constexpr std::uint8_t SysExEscape = 0xF7;
    static constexpr std::uint8_t Meta = 0xFF;
    ///@}

    /// An empty system exclusive message.
    DCMidiMessage() = default;
    /// Copies the values (not the owner).
    DCMidiMessage(const DCMidiMessage& other);
    ~DCMidiMessage() override;
    /// Copies the values, keeps the owner.
    DCMidiMessage& operator=(const DCMidiMessage& other);

    ///@{
    /// Equal when the DCBase state and every value are.
    bool operator==(const DCMidiMessage& other) const;
    bool operator!=(const DCMidiMessage& other) const { return !(*this == other); }
    ///@}

    /// Writes or reads the archive record described above; a damaged record throws
    /// CArchiveException.
    void Serialize(CArchive& ar) override;
    /// Copies the values of `src` when it is a DCMidiMessage; returns this.
    DCBase* Copy(CObject* src) override;

    /// SysEx, SysExEscape or Meta.
    std::uint8_t GetStatus() const { return m_nStatus; }
    /// The meta event's type (0-127); 0 for system exclusive.
    std::uint8_t GetMetaType() const { return m_nMetaType; }
    /// For system exclusive: the bytes after the status as a file stores them (a complete
    /// message ends with 0xF7). For a meta event: its data.
    const std::vector<std::uint8_t>& GetData() const { return m_data; }

    /// Stores a message; returns 0 and changes nothing for a status other than the three
    /// above, or a meta type above 127.
    int SetMessage(std::uint8_t status, std::uint8_t metaType, const std::uint8_t* data,
                   std::size_t size);

private:
    static constexpr std::uint8_t Layout = 1;

    std::uint8_t m_nStatus = SysEx;
    std::uint8_t m_nMetaType = 0;
    std::vector<std::uint8_t> m_data;
};

} // namespace clavenor
