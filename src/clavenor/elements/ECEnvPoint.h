#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

/// One point of an envelope (event id 23; allowed parent: the envelope, 22): a time, a float
/// value, an interpolation style and two anchor marks. The controller, pressure, pitch-bend,
/// program and parameter events, the dynamics and pedals, and the meter and tempo marks are
/// all points; they live as children of the envelope that collects their stream.
///
/// Point flags, one byte: bit 0 anchor, bit 1 anchor head (the first point of its anchor
/// group), bits 2-5 the style; bits 6 and 7 stay 0. Style 0 (StyleStep) holds the value
/// until the next point, style 1 (StyleLinear) moves in a straight line to the next point's
/// value; other styles are kept and copied but evaluate like a step.
///
/// Archive record: the ECWithTime record, the point flags (1 byte) and the value (4-byte
/// float). A document of version below 3 holds neither: such a point loads as an anchor
/// head with linear style and the default value. Loading clears bits 6 and 7.
class CLAVENOR_API ECEnvPoint : public ECWithTime {
    DECLARE_SERIAL(ECEnvPoint)

public:
    ///@{
    /// The evaluation styles (see the class comment); GetStyle may answer others, which evaluate as
    /// a step.
    static constexpr int StyleStep = 0;
    static constexpr int StyleLinear = 1;
    ///@}

    /// Flags clear (style step, no anchor); the value is the largest finite float.
    ECEnvPoint();
    /// Copies the time, the voice/track, the flags and the value.
    ECEnvPoint(const ECEnvPoint& other);
    ~ECEnvPoint() override;

    /// Copies the voice/track, the flags and the value; not the time.
    ECEnvPoint& operator=(const ECEnvPoint& other);

    /// Equal anchor, anchor head, style and value (float equality); time does not count.
    bool operator==(const ECEnvPoint& other) const {
        return m_nPointFlags == other.m_nPointFlags && m_fValue == other.m_fValue;
    }
    /// The negation of ==.
    bool operator!=(const ECEnvPoint& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The value, stored as given (no limits applied; the envelope clamps when evaluating).
    /// A direct change, not undoable, notifying nothing; the envelope reads it at its next
    /// evaluation, whose changed flag compares with the value it answered last. Tempo marks
    /// override SetValue.
    virtual float GetValue();
    virtual void SetValue(float value);
    ///@}

    /// Appends every member of the anchor group that holds this point to `list`: the group
    /// of the nearest enclosing element whose kind is one of this point's parent types (its
    /// envelope). Returns 1 when `list` is not empty afterwards, and 0 when there is no such
    /// envelope (the list is left alone then). Cost: an ancestor walk and a search of the
    /// envelope's groups.
    virtual int GetAnchorList(MCEventList& list);

    /// The style, 0-15.
    int GetStyle() const { return (m_nPointFlags & StyleMask) >> StyleShift; }
    /// Stores the low 4 bits.
    void SetStyle(int style);
    /// 1 when the point is anchored, else 0.
    int IsAnchor() const { return m_nPointFlags & Anchor; }
    /// Stores bit 0 of `anchor`.
    void SetAnchor(int anchor);
    /// 1 when the point heads its anchor group, else 0.
    int IsAnchorHead() const { return (m_nPointFlags & AnchorHead) != 0 ? 1 : 0; }
    /// Stores bit 0 of `head`.
    void SetAnchorHead(int head);

protected:
    /// The part of the record this class adds (flags and value), for the classes whose
    /// older layouts skip it.
    void SerializePoint(CArchive& ar);

private:
    static constexpr std::uint8_t Anchor = 0x01;
    static constexpr std::uint8_t AnchorHead = 0x02;
    static constexpr std::uint8_t StyleMask = 0x3C;
    static constexpr int StyleShift = 2;
    static constexpr std::uint8_t KnownFlags = Anchor | AnchorHead | StyleMask;

    std::uint8_t m_nPointFlags = 0;
    float m_fValue;
};

} // namespace clavenor
