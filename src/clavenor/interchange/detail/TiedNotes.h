#pragma once

// The notes a tie joins, as the MIDI and MusicXML exporters follow them. Internal to the
// interchange library.

namespace clavenor {
class ECNote;
}

namespace clavenor::ties {

/// The note `note` is tied on to: the other note of a tie it belongs to, when that one
/// starts strictly later; null when there is none. Following Next only ever moves forward in
/// time, so chains end.
ECNote* Next(ECNote* note);

/// The note tied on to `note`: the other note of a tie it belongs to, when that one starts
/// strictly earlier; null when there is none.
ECNote* Previous(ECNote* note);

} // namespace clavenor::ties
