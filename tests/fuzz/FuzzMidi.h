#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clavenor::fuzz {

/// Reads bytes as a Standard MIDI File and, when they read and fit the bounds of an import
/// (tighter ones than the importer's own, to keep each input quick), imports them, exports the
/// document, imports that, exports again and imports once more. The bytes must read or be
/// refused with MidiFileException; what the exporter writes must read; and from the second
/// import on, the documents must be the same byte for byte (the first import may repair what
/// the file got wrong, after which nothing may change). Returns 1 when the bytes read, 0 when
/// they were refused; anything else aborts.
int ImportRoundTrip(const std::uint8_t* data, std::size_t size);

/// Standard MIDI Files that exercise the reader and the importer: both formats, running
/// status, an SMPTE division, every kind of channel message, system exclusive messages and
/// meta events.
std::vector<std::vector<std::uint8_t>> MakeMidiSeeds();

} // namespace clavenor::fuzz
