#pragma once

#include "clavenor/model/MCTime.h"
#include "clavenor/model/MCVoiceTrack.h"

namespace clavenor {

class CArchive;

/// The time and voice/track members that ECWithTime adds to ECBase and ECWithTimeChild adds
/// to ECWithChild. The two classes are not related by inheritance; they share this part.
///
/// The time starts as MCTime::TimeNull() (unset) and the voice/track as voice 15, track
/// 2047.
template <class Base>
class ECTimedBase : public Base {
public:
    /// The element's own time (never null), valid while the element lives.
    MCTime* GetTime() override { return &m_time; }
    /// Assigns the time; a null pointer changes nothing.
    void SetTime(MCTime* time) override {
        if (time != nullptr) {
            m_time = *time;
        }
    }
    /// The element's own voice/track word (never null), valid while the element lives.
    MCVoiceTrack* GetVoiceTrack() override { return &this->m_voiceTrack; }
    /// (voice & 15) | (track << 4), as the two-value MCVoiceTrack constructor builds it.
    void SetVoiceTrack(int voice, int track) override {
        this->m_voiceTrack =
            MCVoiceTrack(static_cast<unsigned>(voice), static_cast<unsigned>(track));
    }
    /// Copies the word; a null pointer changes nothing.
    void SetVoiceTrack(MCVoiceTrack* voiceTrack) override {
        if (voiceTrack != nullptr) {
            this->m_voiceTrack = *voiceTrack;
        }
    }

protected:
    ECTimedBase() : m_time(MCTime::TimeNull()) {}
    /// Copies the time and the voice/track.
    ECTimedBase(const ECTimedBase& other) : Base(other), m_time(other.m_time) {
        this->m_voiceTrack = other.m_voiceTrack;
    }
    ~ECTimedBase() override = default;

    /// Copies the voice/track, not the time.
    ECTimedBase& operator=(const ECTimedBase& other) {
        Base::operator=(other);
        this->m_voiceTrack = other.m_voiceTrack;
        return *this;
    }

    /// Equal times (MCTime's ==) and equal voice/track words: the equality of the timed
    /// classes.
    bool TimedEquals(const ECTimedBase& other) const {
        return m_time == other.m_time && this->m_voiceTrack == other.m_voiceTrack;
    }

    /// The base record, then the time (at the document's active version when loading) and
    /// the voice/track word.
    void SerializeTimed(CArchive& ar);

    MCTime m_time; ///< The element's time; TimeNull() until set.
};

} // namespace clavenor
