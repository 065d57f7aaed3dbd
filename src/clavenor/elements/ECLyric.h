#pragma once

#include "clavenor/elements/ECText.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A lyric syllable under a measure (event id 30; allowed parent: measure, 32): a text of
/// type 0 with a verse (0-63), an auxiliary type (0-3) and a duration (0.0 by default).
///
/// Archive record: the ECText record, the lyric byte (bits 0-1 the auxiliary type, bits 2-7
/// the verse) and the duration (an MCTime record). A document of version below 3 holds
/// neither: such a lyric loads as verse 1, auxiliary type 0, duration 0.0.
class CLAVENOR_API ECLyric : public ECText {
    DECLARE_SERIAL(ECLyric)

public:
    ECLyric() = default;
    /// A lyric holding `text`: verse 0, auxiliary type 0, duration 0.0, the time unset.
    explicit ECLyric(const CString& text);
    /// What assignment copies, and the time and the duration.
    ECLyric(const ECLyric& other);
    ~ECLyric() override;

    /// The ECText assignment, the auxiliary type and the verse; not the duration.
    ECLyric& operator=(const ECLyric& other);

    /// The ECText comparison, and equal auxiliary types, verses and durations.
    bool operator==(const ECLyric& other) const {
        return ECText::operator==(other) && m_nLyric == other.m_nLyric &&
               m_duration == other.m_duration;
    }
    /// The negation of ==.
    bool operator!=(const ECLyric& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return &m_duration; }
    /// Assigns the duration; a null pointer changes nothing.
    void SetDuration(MCTime* duration) override;

    /// The auxiliary type, 0-3.
    int GetAuxType() const { return m_nLyric & AuxMask; }
    /// Stores the low 2 bits.
    void SetAuxType(int type);
    /// The verse, 0-63.
    int GetVerse() const { return m_nLyric >> VerseShift; }
    /// Stores the low 6 bits.
    void SetVerse(int verse);

private:
    static constexpr std::uint8_t AuxMask = 0x03;
    static constexpr int VerseShift = 2;

    std::uint8_t m_nLyric = 0;
    MCTime m_duration;
};

} // namespace clavenor
