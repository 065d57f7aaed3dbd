#pragma once

#include <clavenor/clavenor.h>

#include <cstdint>
#include <vector>

namespace clavenor::fuzz {

/// Pastes arbitrary clipboard bytes into a new document the way a host does: CCPaste (or
/// CCDrop), then CCAdd of whatever arrived into a measure. The first byte chooses how the
/// rest is offered:
///  - bits 0-1: 0 all of it as "Clavenor Music Data"; 1 all of it as "Clavenor Music Info";
///    2 the next two bytes give the length of an info payload that follows, the rest is
///    data; 3 the same bytes under both names;
///  - bit 2: dropped on the document (CCDrop) rather than pasted from the clipboard;
///  - bit 3: while a document of version 0 is the active one.
/// Aborts when the paste breaks its contract: elements together with an error, an error
/// without a cause, or elements that do not survive a second trip through the transfer
/// format.
void PasteOne(const std::uint8_t* data, std::size_t size);

/// Fuzz inputs from real copies of the example documents.
std::vector<std::vector<std::uint8_t>> MakePasteSeeds();

} // namespace clavenor::fuzz
