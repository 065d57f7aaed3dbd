#pragma once

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Collects the elements of a voice and a track (and that pass the type filter), as
/// ACFindEvents does, with its count and maximum.
///
/// Voice 15 or 14 and track 2047 match any voice or track. Elements without a voice/track
/// never match; an element whose word holds a device and channel reads as voice 15 and
/// track 2047. Notes and grace notes match only once they hold a data record for view code
/// 0, that is, once a view has placed them.
class CLAVENOR_API ACFindVoiceTrack : public ACFindEvents {
public:
    /// Collects the elements of voice 15 and track 2047 (any) until set otherwise, walking
    /// down, with a type filter of `size` unused entries (see ACTypeFilterBase).
    explicit ACFindVoiceTrack(int size = 1);

    int DoAction(ECBase* element) override;

    /// The voice looked for; 15 or 14 match any.
    unsigned GetVoice() const { return m_nVoice; }
    /// Sets the voice looked for (stored as given, compared with the element's 0-15).
    void SetVoice(unsigned voice) { m_nVoice = voice; }
    /// The track looked for; 2047 matches any.
    unsigned GetTrack() const { return m_nTrack; }
    /// Sets the track looked for (stored as given, compared with the element's 0-2047).
    void SetTrack(unsigned track) { m_nTrack = track; }

private:
    unsigned m_nVoice = 15;
    unsigned m_nTrack = 2047;
};

} // namespace clavenor
