// Pastes arbitrary bytes from the clipboard into a document and inserts what arrives. A
// paste must either bring elements or fail with an error and nothing else, without
// crashing, hanging or leaking; see FuzzPaste.h for how an input is laid out.

#include "FuzzPaste.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    clavenor::fuzz::PasteOne(data, size);
    return 0;
}
