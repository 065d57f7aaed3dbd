#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/DCBase.h"

#include <cstdint>

namespace clavenor {

/// What a host keeps about a note or grace note beside the element itself, which holds only
/// its time and duration: the MIDI key it sounds, how it is spelled, and how hard it is
/// struck and released. Attached under a view code the host chooses (see MCStandardRecords),
/// it travels with the note through documents and the clipboard.
///
/// Archive record: the DCBase record, then a layout byte (1), the pitch, the spelling (a
/// signed byte), the velocity and the release velocity. A record whose layout byte is not
/// one this library knows is refused with CArchiveException(badSchema).
class CLAVENOR_API DCNote : public DCBase {
    DECLARE_SERIAL(DCNote)

public:
    /// The spelling that leaves the choice of accidental to the key in force.
    static constexpr std::int8_t AutoSpelling = -128;
    ///@{
    /// The lowest and highest alteration a spelling may name (double flat, double sharp).
    static constexpr std::int8_t MinAlteration = -2;
    static constexpr std::int8_t MaxAlteration = 2;
    ///@}

    /// Middle C, spelled by the key, velocity and release velocity 64 (what MIDI assumes
    /// of a device that does not sense them).
    DCNote() = default;
    /// Copies the values (not the owner: a copy belongs to no element yet).
    DCNote(const DCNote& other);
    ~DCNote() override;
    /// Copies the values, keeps the owner.
    DCNote& operator=(const DCNote& other);

    ///@{
    /// Equal when the DCBase state and every value are.
    bool operator==(const DCNote& other) const;
    bool operator!=(const DCNote& other) const { return !(*this == other); }
    ///@}

    /// Writes or reads the archive record described above; a damaged record throws
    /// CArchiveException.
    void Serialize(CArchive& ar) override;
    /// Copies the values of `src` when it is a DCNote; returns this.
    DCBase* Copy(CObject* src) override;

    /// The MIDI key, 0-127.
    std::uint8_t GetPitch() const { return m_nPitch; }
    /// Stores the low 7 bits.
    void SetPitch(std::uint8_t pitch) { m_nPitch = pitch & 0x7F; }

    /// The alteration the note is written with (-2 double flat .. +2 double sharp, 0 a
    /// natural or no accidental), or AutoSpelling.
    std::int8_t GetSpelling() const { return m_nSpelling; }
    /// Stores an alteration from -2 to 2 or AutoSpelling; returns 0 and keeps the old
    /// spelling for anything else.
    int SetSpelling(int spelling);

    /// 1-127 for a sounding note (0 would be a note-off in MIDI).
    std::uint8_t GetVelocity() const { return m_nVelocity; }
    /// Stores the low 7 bits.
    void SetVelocity(std::uint8_t velocity) { m_nVelocity = velocity & 0x7F; }
    /// The note-off velocity, 0-127 (64 when the device does not sense it).
    std::uint8_t GetReleaseVelocity() const { return m_nReleaseVelocity; }
    /// Stores the low 7 bits.
    void SetReleaseVelocity(std::uint8_t velocity) { m_nReleaseVelocity = velocity & 0x7F; }

private:
    static constexpr std::uint8_t Layout = 1;

    std::uint8_t m_nPitch = 60;
    std::int8_t m_nSpelling = AutoSpelling;
    std::uint8_t m_nVelocity = 64;
    std::uint8_t m_nReleaseVelocity = 64;
};

} // namespace clavenor
