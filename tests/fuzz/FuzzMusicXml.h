#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clavenor::fuzz {

/// Imports bytes as MusicXML (plain or .mxl) within bounds tighter than the importer's own,
/// to keep each input quick; when they import, exports the document and imports that again.
/// The bytes must import or be refused with MusicXmlException; what the exporter writes must
/// import, and, when the export reported no approximation, with as many notes and grace notes
/// as the first import made. Returns 1 when the bytes imported, 0 when they were refused;
/// anything else aborts.
int MusicXmlRoundTrip(const std::uint8_t* data, std::size_t size);

/// MusicXML that exercises the importer: the test score with every kind of mark, exports of
/// the MIDI seeds, small scores with irregular measures, backups, ties and grace notes, and
/// an .mxl archive.
std::vector<std::vector<std::uint8_t>> MakeMusicXmlSeeds();

} // namespace clavenor::fuzz
