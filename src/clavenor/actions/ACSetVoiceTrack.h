#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class MCVoiceTrack;

/// Moves the elements of the walk to a new track and/or a new voice.
///
/// Track: with a new track other than 2047, every element whose track is unset (2047, or a
/// device/channel word) or within the track range (default 1..2045) moves to the new track,
/// clamped into 0..2045; an element on track 2046 (all tracks) is left alone entirely, its
/// voice included. Voice: with a new voice other than 15, every element whose voice is 14,
/// 15 (unset, or a device/channel word) or within the voice range (default 0..8) gets the
/// new voice, clamped into 0..7. Elements without a voice/track are skipped.
///
/// Writes the voice/track word in place: not undoable by itself (commands that use it are);
/// writing a track or voice turns a device/channel word into a voice/track word.
class CLAVENOR_API ACSetVoiceTrack : public ACBase {
public:
    /// 2047 and 15 leave tracks and voices alone.
    explicit ACSetVoiceTrack(int track = 2047, int voice = 15);

    /// The tracks, inclusive, that move to the new track (default 1..2045); stored as given.
    void SetTrackRange(int minimum, int maximum);
    /// The voices, inclusive, that get the new voice (default 0..8); stored as given.
    void SetVoiceRange(int minimum, int maximum);

    /// Always 0.
    int DoAction(ECBase* element) override;

    /// Moves `start` and everything below it to `track` as an action (track, 15) with the
    /// default ranges and walk would, without making one (which needs memory): needs none
    /// below 48 levels of graph, so that a change that must not fail halfway can renumber.
    static void MoveToTrack(ECBase* start, int track);

private:
    // The track part of DoAction; false when the element is to be left alone entirely.
    static bool MoveWord(MCVoiceTrack& word, const MCVoiceTrack& old, int track, int minimum,
                         int maximum);

    int m_nTrack;
    int m_nVoice;
    int m_nTrackMin = 1;
    int m_nTrackMax = 2045;
    int m_nVoiceMin = 0;
    int m_nVoiceMax = 8;
};

} // namespace clavenor
