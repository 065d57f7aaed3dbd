#pragma once

#include "clavenor/fields/FCMidi.h"

#include <string>

namespace clavenor::test {

/// The names of the classification tests that a message passes, in declaration order and
/// separated by spaces, so that one comparison shows every answer at once.
inline std::string MidiClasses(const FCMidi& m) {
    const std::pair<int, const char*> tests[] = {
        {m.HasData(), "Data"},
        {m.IsNote(), "Note"},
        {m.IsNoteOn(), "On"},
        {m.IsNoteOff(), "Off"},
        {m.IsPolyPressureMsg(), "PolyPressure"},
        {m.IsControllerMsg(), "Controller"},
        {m.IsProgramMsg(), "Program"},
        {m.IsChanPressureMsg(), "ChanPressure"},
        {m.IsPitchBendMsg(), "PitchBend"},
        {m.IsVolumeMsg(), "Volume"},
        {m.IsPedalDown(), "PedalDown"},
        {m.IsPedalUp(), "PedalUp"},
        {m.IsChannelMsg(), "Channel"},
        {m.IsChannelModeMsg(), "Mode"},
        {m.IsChannelVoiceMsg(), "Voice"},
        {m.IsSysMsg(), "Sys"},
        {m.IsSysCommonMsg(), "Common"},
        {m.IsSysRealtimeMsg(), "Realtime"},
        {m.IsSysExMsg(), "SysEx"},
    };
    std::string names;
    for (const auto& [result, name] : tests) {
        if (result != 0) {
            names += names.empty() ? "" : " ";
            names += name;
        }
    }
    return names;
}

} // namespace clavenor::test
