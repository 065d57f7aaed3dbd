// Reads arbitrary bytes as a Standard MIDI File; what reads is imported, exported and
// imported again (see FuzzMidi.h for what must hold).

#include "FuzzMidi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    clavenor::fuzz::ImportRoundTrip(data, size);
    return 0;
}
