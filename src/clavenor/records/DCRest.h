#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/DCBase.h"

#include <cstdint>

namespace clavenor {

/// The note value of a rest, which the rest element does not archive: its undotted rest type
/// and its number of dots. Attached under a view code the host chooses (see MCStandardRecords).
/// After a document is loaded, the record gives its rest its type back (PostSerialize), so
/// a loaded rest has the length it was saved with.
///
/// Archive record: the DCBase record, then a layout byte (1), the undotted type and the
/// dots. An unknown layout is refused with CArchiveException(badSchema).
class CLAVENOR_API DCRest : public DCBase {
    DECLARE_SERIAL(DCRest)

public:
    /// Type 0 (no type), no dots.
    DCRest() = default;
    /// Copies the values (not the owner).
    DCRest(const DCRest& other);
    ~DCRest() override;
    /// Copies the values, keeps the owner.
    DCRest& operator=(const DCRest& other);

    ///@{
    /// Equal when the DCBase state and every value are.
    bool operator==(const DCRest& other) const;
    bool operator!=(const DCRest& other) const { return !(*this == other); }
    ///@}

    /// Writes or reads the archive record described above; a damaged record throws
    /// CArchiveException.
    void Serialize(CArchive& ar) override;
    /// Copies the values of `src` when it is a DCRest; returns this.
    DCBase* Copy(CObject* src) override;
    /// After loading, sets the owning rest's type to GetRestType(). Storing writes nothing.
    void PostSerialize(CArchive& ar) override;

    ///@{
    /// The undotted rest type (ECRest's numbering) and the dots, 0-2.
    std::uint8_t GetBaseType() const { return m_nBaseType; }
    std::uint8_t GetDots() const { return m_nDots; }
    ///@}
    /// The rest type with its dots, in ECRest's numbering (ECRest::GetRestType).
    std::uint8_t GetRestType() const;

    /// Stores a rest type of ECRest's numbering, dotted or not, as its undotted type and
    /// its dots (a dotted quarter, 9, becomes the quarter 8 with one dot). Any byte is
    /// accepted; one that is no dotted type is kept as it is, without dots.
    void SetRestType(std::uint8_t type);
    /// Stores an undotted type and a number of dots (more than two count as two; the types
    /// that take no dot, or only one, keep what ECRest allows them).
    void SetRestType(std::uint8_t baseType, std::uint8_t dots);

private:
    static constexpr std::uint8_t Layout = 1;

    std::uint8_t m_nBaseType = 0;
    std::uint8_t m_nDots = 0;
};

} // namespace clavenor
