#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A tempo mark (event id 57; allowed parent: the tempo map, ECTempoEnv, 58): a point of the
/// conductor's tempo envelope that gives the speed from its time on, as a metronome value,
/// a named tempo (Allegro and the like), a relative instruction (accel., rit., a tempo) or a
/// pause (G.P., L.P.).
///
/// Units: the tempo is in quarter notes per minute, the rate in quarter notes per second
/// (tempo / 60), the speed in seconds per quarter note (60 / tempo); the beat is the note
/// value, in quarter notes, in which the tempo was given. The envelope sees the tempo as the
/// point's value (GetValue); the value the ECEnvPoint record keeps is the tempo the mark had
/// when it was made or copied.
///
/// The tempo type (the second byte of the flag word, 1 for a new mark): 2 to 20 the named
/// tempi from Larghissimo to Prestissimo, whose speeds come from the preferences
/// (GetTempoValue); 21 accel., 22 rall., 23 rit. and the pauses 24 to 26 (G.P. 25, L.P. 26)
/// last for a duration; 27 a tempo; 28 rubato.
///
/// Archive record, after the ECEnvPoint record: tempo, rate, speed and beat (four floats);
/// the tempo type (1 byte); the duration (an MCTime record) for the types that have one; the
/// text (a string); the pause percent (a float, read from documents of version 3 on). The
/// clock time is not stored: the tempo map computes it.
///
/// The mark keeps a list of the mirrors that show it (MCMirrorList); the destructor detaches
/// them.
class CLAVENOR_API ECTempo : public ECEnvPoint, public MCMirrorList {
    DECLARE_SERIAL(ECTempo)

public:
    ///@{
    /// Tempo types (see the class comment); the named tempi between Larghissimo and
    /// Prestissimo have no constant of their own.
    static constexpr std::uint8_t TypeNone = 0;
    static constexpr std::uint8_t TypeMetronome = 1;
    static constexpr std::uint8_t TypeLarghissimo = 2;
    static constexpr std::uint8_t TypeAllegro = 14;
    static constexpr std::uint8_t TypePrestissimo = 20;
    static constexpr std::uint8_t TypeAccelerando = 21;
    static constexpr std::uint8_t TypeRallentando = 22;
    static constexpr std::uint8_t TypeRitardando = 23;
    static constexpr std::uint8_t TypePause = 24;
    static constexpr std::uint8_t TypeGeneralPause = 25;
    static constexpr std::uint8_t TypeLongPause = 26;
    static constexpr std::uint8_t TypeATempo = 27;
    static constexpr std::uint8_t TypeRubato = 28;
    ///@}
    /// The highest type SetTempoType accepts.
    static constexpr std::uint8_t TypeLast = 29;

    /// Type 1, tempo 60, rate 1, speed 1, beat 1, pause 100 percent, no duration, no text.
    ECTempo();
    /// The same, then SetTempoType(type, duration).
    ECTempo(std::uint8_t type, const MCTime& duration);
    /// What assignment copies, the time and the duration; no mirrors, no clock time.
    ECTempo(const ECTempo& other);
    ~ECTempo() override;

    /// Copies the ECEnvPoint part (not the time), the type, the text, tempo, rate, speed,
    /// beat and pause percent, and makes the point's value the tempo; not the duration, the
    /// clock time or the mirrors.
    ECTempo& operator=(const ECTempo& other);

    /// Equal type, duration, text (exactly), tempo, speed, beat and pause percent.
    bool operator==(const ECTempo& other) const;
    /// The negation of ==.
    bool operator!=(const ECTempo& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The tempo, and SetTempo(value, 1); a value SetTempo refuses leaves the tempo as it
    /// was. The tempo map is not told: call ECTempoEnv::RecalculateClockTimes after changing
    /// the tempo of a mark in a map.
    float GetValue() override;
    void SetValue(float value) override;
    ///@}

    /// The duration of a relative change or a pause.
    MCTime* GetDuration() override { return &m_duration; }
    /// Stores the duration, then has the tempo map this mark belongs to recompute its clock
    /// times.
    void SetDuration(MCTime* duration) override;

    /// The tempo type, 0 to 255 (see SetTempoType).
    std::uint8_t GetTempoType() const { return GetSubtype(); }
    /// Stores the type whatever it is. A named tempo (2-20) takes its speed from
    /// GetTempoValue when that is above 0; accel., rall. and rit. (21-23) take `duration`.
    /// Returns 1, or 0 for types above TypeLast (which stay stored all the same).
    [[nodiscard]] int SetTempoType(std::uint8_t type, const MCTime& duration);

    /// Sets the tempo to `tempo` x `beat` quarter notes per minute (a tempo given in dotted
    /// quarters at 90 is 135), with the rate and the speed that follow, and remembers the
    /// beat. Refused (0, nothing changes) when that product is not a positive finite number,
    /// and while the stored tempo is 0 (as a document may hold).
    [[nodiscard]] int SetTempo(float tempo, float beat);
    /// The tempo when `beat` is exactly 1, else the tempo counted in the stored beat (the
    /// argument only selects that form); 0 when the stored beat is 0.
    float GetTempo(float beat) const;
    /// Quarter notes per second, kept in step by SetTempo.
    float GetRate() const { return m_fRate; }
    /// Seconds per quarter note, kept in step by SetTempo.
    float GetSpeed() const { return m_fSpeed; }
    /// The note value, in quarter notes, the tempo was given in (1 for a new mark).
    float GetBeat() const { return m_fBeat; }

    /// The pause percent for the pause types (24-26), else 0.
    float GetPausePercent() const;
    /// Stores the percent limited to 0..400 (NaN counts as 0).
    void SetPausePercent(float percent);

    ///@{
    /// The seconds from the start at which the mark falls (mode 3), which the tempo map
    /// computes and the conversions read; not archived. The getter returns the mark's own
    /// object. Setting it by hand lasts until the map next recomputes; a map's conversions
    /// trust it meanwhile.
    MCTime& GetClockTime() { return m_clockTime; }
    void SetClockTime(const MCTime& time) { m_clockTime = time; }
    ///@}

    /// The text, or the type's name (GetTempoString) when the text is empty.
    CString GetText() const;
    /// Stores the text (empty: the type's name shows again); a direct change, not undoable,
    /// notifying nothing.
    void SetText(const CString& text) { m_text = text; }

    /// Whether the type lasts for a duration (accel., rall., rit. and the pauses, 21-26);
    /// only those archive theirs.
    static bool HasDuration(std::uint8_t type) { return type >= 21 && type <= 26; }
    /// Whether the type is relative to the tempo before it (21-27, a tempo included).
    static bool IsRelativeTempo(std::uint8_t type) { return type >= 21 && type <= 27; }
    /// Whether the type is a pause (24-26), which the map slows by the pause percent.
    static bool IsPauseTempo(std::uint8_t type) { return type >= 24 && type <= 26; }

private:
    void CopyTempo(const ECTempo& other);

    MCTime m_duration;
    MCTime m_clockTime;
    CString m_text;
    float m_fTempo = 60.0f;
    float m_fRate = 1.0f;
    float m_fSpeed = 1.0f;
    float m_fBeat = 1.0f;
    float m_fPausePercent = 100.0f;
};

/// The name of a tempo type from the string table ("Allegro", "accel.", "G.P.", ...); empty
/// for the types 0, 1 and 24 and any type without one.
CLAVENOR_API CString GetTempoString(std::uint8_t type);

/// The speed of a named tempo in quarter notes per minute: the integer preference "BPM" in
/// the section "Settings\Tempo\<name>"; when it is not set, the built-in speed (60 for a type
/// without one), which is then stored there.
CLAVENOR_API int GetTempoValue(int type);

/// The named tempo (2-20) whose speed (GetTempoValue) is the largest not above `speed`: 2
/// below the speed of Larghissimo, 20 from that of Prestissimo on.
CLAVENOR_API int GetTempoType(int speed);

} // namespace clavenor
