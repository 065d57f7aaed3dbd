#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

/// A chord symbol above a measure (event id 13; allowed parent: measure, 32). The chord
/// word packs, from the low byte up, the root, the bass and the flavor (each a signed byte)
/// and the style (unsigned); defaults root 1, bass 28, flavor 28 (no bass, no flavor),
/// style 3. The flavor indexes the chord suffixes of GetChordSymbolString (0 and 28 have
/// none); the quality is the suffix text as the user sees it. Style bit 1 asks for a chord
/// chart and is kept only when the chord has one (HasChart).
///
/// Archive record: the ECWithTime record, the chord word (4 bytes), then the quality, which
/// a document of version below 3 does not hold: its flavor numbers are converted to the
/// current ones and the quality becomes the new flavor's name.
///
/// Chord-suffix tokenizer. BeginParse copies a suffix into one buffer shared by the whole
/// process; each Parse takes the next token from it: 0 with the text up to the next mark-up
/// character in `out`, 9 for "[" (a raised part begins), the symbol code of "^" and a
/// letter (M 1, N 2, D 3, A 4, H 5, R 6, S 7, F 8, any other 1), or -1 at the end or at
/// "]". EndParse empties the buffer. One parse must finish before the next begins; the
/// buffer is not locked.
class CLAVENOR_API ECChordSymbol : public ECWithTime {
    DECLARE_SERIAL(ECChordSymbol)

public:
    ///@{
    /// Parse's codes for text, a raised part and the end (see the class comment); the
    /// symbol codes 1 to 8 lie between.
    static constexpr int TokenText = 0;
    static constexpr int TokenRaised = 9;
    static constexpr int TokenEnd = -1;
    ///@}

    /// Root 1, no bass, no flavor (28 each), style 3, no quality, the time unset.
    ECChordSymbol();
    /// The four bytes of the chord word, stored unchanged.
    ECChordSymbol(std::int8_t root, std::int8_t bass, std::int8_t flavor, std::uint8_t style);
    /// What assignment copies, and the time.
    ECChordSymbol(const ECChordSymbol& other);
    ~ECChordSymbol() override;

    /// The ECWithTime assignment, the chord word and the quality.
    ECChordSymbol& operator=(const ECChordSymbol& other);

    /// Equal chord words and qualities.
    bool operator==(const ECChordSymbol& other) const {
        return m_nChord == other.m_nChord && m_quality == other.m_quality;
    }
    /// The negation of ==.
    bool operator!=(const ECChordSymbol& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The whole chord word (see the class comment), stored as given: the chart rule of
    /// SetChordStyle is not applied. A direct change, not undoable, notifying nothing.
    virtual std::uint32_t GetChordType() const;
    virtual void SetChordType(std::uint32_t chord);
    ///@}
    ///@{
    /// One byte of the chord word, stored as given; the others keep theirs. Direct changes,
    /// not undoable, notifying nothing. Changing the flavor or the bass neither renames the
    /// quality nor clears a chart the new chord has none of: set the style again after them.
    virtual std::int8_t GetChordRoot() const;
    virtual void SetChordRoot(std::int8_t root);
    virtual std::int8_t GetChordBass() const;
    virtual void SetChordBass(std::int8_t bass);
    virtual std::int8_t GetChordFlavor() const;
    virtual void SetChordFlavor(std::int8_t flavor);
    ///@}
    /// The style byte (bit 1 the chart).
    virtual std::uint8_t GetChordStyle() const;
    /// Stores `style`, with bit 1 (the chart) cleared unless the chord's flavor and bass
    /// have a chart.
    virtual void SetChordStyle(std::uint8_t style);
    ///@{
    /// The suffix text as the user sees it, a copy; stored as given (not checked against
    /// the flavor). A direct change, not undoable, notifying nothing.
    virtual CString GetChordQuality() const;
    virtual void SetChordQuality(const CString& quality);
    ///@}

    /// Whether a chord of `flavor` over `bass` has a chart: never over a bass above 0,
    /// otherwise for the flavors 0 to 5, 8, 10, 11 and 19 to 27.
    static int HasChart(int flavor, int bass);

    /// Copies `text` into the process-wide buffer, replacing what a parse left there. Not
    /// locked: parse on one thread (see the class comment).
    static void BeginParse(const CString& text);
    /// The next token's code; `out` is written only when the code is TokenText.
    static int Parse(CString& out);
    /// Empties the buffer; Parse then answers TokenEnd.
    static void EndParse();

private:
    std::int8_t Byte(int index) const;
    void SetByte(int index, std::uint8_t value);

    std::uint32_t m_nChord;
    CString m_quality;
};

} // namespace clavenor
