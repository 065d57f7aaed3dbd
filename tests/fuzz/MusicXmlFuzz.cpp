// Imports arbitrary bytes as MusicXML; what imports is exported and imported again (see
// FuzzMusicXml.h for what must hold).

#include "FuzzMusicXml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    clavenor::fuzz::MusicXmlRoundTrip(data, size);
    return 0;
}
