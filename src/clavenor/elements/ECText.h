#pragma once

#include "clavenor/framework/CArray.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

/// A text mark (event id 59): free text on a staff, title-page text and markers on the
/// conductor staff, lyrics (ECLyric). The text type (0, no type, by default; the names are
/// those of GetTextString) lives in the class-specific byte of the flag word and decides
/// the parent: type 0, 3 and 4 a staff (55); 1 and 5 to 20 the conductor staff (17); 2 (the
/// sequence name, which belongs to the file) and types above 20 none.
///
/// The style word: bit 0 bold, bit 1 italic, bit 2 underline, bits 8-15 the point size;
/// the constructors clear the three style bits and take the type's default point size.
///
/// Archive record: the ECWithTime record, the type (1 byte), the text, the style word (4
/// bytes).
class CLAVENOR_API ECText : public ECWithTime {
    DECLARE_SERIAL(ECText)

public:
    ECText();
    /// Of type `type` holding `text`, with the type's default point size and no style bits; the
    /// time stays unset.
    ECText(std::uint8_t type, const CString& text);
    /// What assignment copies, and the time.
    ECText(const ECText& other);
    ~ECText() override;

    /// The ECWithTime assignment, the text, the type, the three style bits and the point
    /// size.
    ECText& operator=(const ECText& other);

    /// Equal types, texts (exact, case-sensitive), style bits and point sizes; time does
    /// not count.
    bool operator==(const ECText& other) const;
    /// The negation of ==.
    bool operator!=(const ECText& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    /// The parent of the text type (see above); 0 and nothing appended for types without
    /// one.
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The text type, stored as given; a direct change, not undoable, notifying nothing. The type
    /// decides the allowed parent, and a text already linked stays where it is when it changes:
    /// retype a text before adding it. The point size is not reset.
    std::uint8_t GetTextType() const { return GetSubtype(); }
    void SetTextType(std::uint8_t type) { SetSubtype(type); }
    ///@}
    ///@{
    /// The text, the element's own (valid while it lives and until the next SetText); the setter
    /// copies, a direct change, not undoable, notifying nothing.
    const CString& GetText() const { return m_text; }
    void SetText(const CString& text) { m_text = text; }
    ///@}

    ///@{
    /// The style bits: the getters answer 1 or 0; the setters set the bit for any non-zero value.
    /// Direct changes, not undoable, notifying nothing.
    int IsBold() const { return (m_nStyle & Bold) != 0 ? 1 : 0; }
    void SetBold(int bold) { SetStyleBit(Bold, bold); }
    int IsItalic() const { return (m_nStyle & Italic) != 0 ? 1 : 0; }
    void SetItalic(int italic) { SetStyleBit(Italic, italic); }
    int IsUnderline() const { return (m_nStyle & Underline) != 0 ? 1 : 0; }
    void SetUnderline(int underline) { SetStyleBit(Underline, underline); }
    int GetPointSize() const { return static_cast<int>((m_nStyle & SizeMask) >> SizeShift); }
    ///@}
    /// Stores the low 8 bits.
    void SetPointSize(int size);

    /// Empties `lines`, then fills it with the lines of the text: carriage returns and line
    /// feeds break lines, runs of them count as one break and empty lines are dropped.
    /// Returns the number of lines.
    int GetTextLines(CArray<CString>& lines) const;

    /// 1 for the types that belong on a title page: 1, 3, 4, 7 to 13 and 16 to 20.
    static int IsTitlePageText(int type);
    /// The point size a new text of `type` takes (10 for types above 20). The table is
    /// process-wide and not locked: change it from the host's owning thread.
    static int GetDefaultPointSize(int type);
    /// Changes the default of a type from 0 to 20 (the low 8 bits of `size`); other types
    /// are ignored.
    static void SetDefaultPointSize(int type, int size);

private:
    static constexpr std::uint32_t Bold = 0x01;
    static constexpr std::uint32_t Italic = 0x02;
    static constexpr std::uint32_t Underline = 0x04;
    static constexpr std::uint32_t StyleBits = Bold | Italic | Underline;
    static constexpr std::uint32_t SizeMask = 0xFF00;
    static constexpr int SizeShift = 8;

    void SetStyleBit(std::uint32_t bit, int on);
    void InitStyle();

    CString m_text;
    std::uint32_t m_nStyle = 0;
};

} // namespace clavenor
