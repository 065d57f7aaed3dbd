#include "clavenor/interchange/MidiFile.h"

#include <stdexcept>

namespace clavenor {

double MidiFile::SmpteSecondsPerTick() const {
    const int fps = SmpteFramesPerSecond();
    const int ticks = SmpteTicksPerFrame();
    if (fps <= 0 || ticks <= 0) {
        return 0.0;
    }
    const double frames = fps == 29 ? 30000.0 / 1001.0 : fps;
    return 1.0 / (frames * ticks);
}

MidiEvent MidiFile::MakeEvent(std::uint64_t tick, std::uint8_t status, std::uint8_t metaType,
                              std::span<const std::uint8_t> bytes) {
    if (bytes.size() > 0x0FFFFFFF || m_pool.size() > 0xFFFFFFFFu - bytes.size()) {
        throw std::length_error("MIDI file byte pool full");
    }
    MidiEvent event;
    event.tick = tick;
    event.status = status;
    event.data1 = status == MidiEvent::Meta ? metaType : 0;
    event.offset = static_cast<std::uint32_t>(m_pool.size());
    event.length = static_cast<std::uint32_t>(bytes.size());
    m_pool.insert(m_pool.end(), bytes.begin(), bytes.end());
    return event;
}

MidiEvent MidiFile::MakeText(std::uint64_t tick, std::uint8_t metaType, std::string_view text) {
    return MakeEvent(tick, MidiEvent::Meta, metaType,
                     {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

MidiEvent MidiFile::MakeChannel(std::uint64_t tick, std::uint8_t status, std::uint8_t data1,
                                std::uint8_t data2) {
    MidiEvent event;
    event.tick = tick;
    event.status = status;
    event.data1 = data1 & 0x7F;
    event.data2 = MidiEvent::DataBytes(status) == 2 ? (data2 & 0x7F) : 0;
    return event;
}

std::size_t MidiFile::CountEvents() const {
    std::size_t count = 0;
    for (const MidiTrack& track : tracks) {
        count += track.events.size();
    }
    return count;
}

} // namespace clavenor
