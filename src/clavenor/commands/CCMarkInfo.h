#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>

namespace clavenor {

class ECBase;

/// What a key or clef command knows of one clef or key it adds, removes or touches: the
/// element, the measure it sits in, its time and hand as they were when the record was made,
/// and whether the command takes it out of the score (the remove flag).
///
/// Holds the element and the measure by reference for as long as it lives, so that a
/// command can put back what it took out.
class CLAVENOR_API CCMarkInfo {
public:
    /// `measure`, when null, is the first measure (id 32) among the element's parents, or
    /// none. `element` may not be null.
    CCMarkInfo(ECBase* element, ECBase* measure);
    /// Releases the element and the measure (which may destroy them).
    virtual ~CCMarkInfo();
    ///@{
    /// Not copyable: the references are the record's own.
    CCMarkInfo(const CCMarkInfo&) = delete;
    CCMarkInfo& operator=(const CCMarkInfo&) = delete;
    ///@}

    /// The clef or key, held by the record; never null.
    ECBase* GetElement() const { return m_pElement; }
    /// The measure it sat in when the record was made, held; null when it sat in none.
    ECBase* GetMeasure() const { return m_pMeasure; }
    ///@{
    /// The element's time and hand when the record was made (the record's own copies: a
    /// later change in place does not show here).
    const MCTime& GetTime() const { return m_time; }
    std::uint8_t GetHand() const { return m_hand; }
    ///@}
    ///@{
    /// The remove flag: non-zero when the command takes the element out of the score.
    int GetRemove() const { return m_nRemove; }
    void SetRemove(int remove) { m_nRemove = remove; }
    ///@}

private:
    ECBase* m_pElement;
    ECBase* m_pMeasure = nullptr;
    MCTime m_time;
    std::uint8_t m_hand = 0;
    int m_nRemove = 0;
};

} // namespace clavenor
