// An example plug-in: a shared object that the library's loader finds in the "PlugIns"
// folder beside the host's executable. It registers one attached data class (statistics a
// view keeps on each note) and one filter class (a transposition that a host creates by
// key or code).
//
// Build it as a module linked against the library; copy the resulting .so into PlugIns.

#include <clavenor/clavenor.h>

#include <cstdio>

using namespace clavenor;

// The classes have names of their own (the archive finds them by name), in a namespace of
// their own.
namespace example {

// A record a view attaches to each note it shows: how often the note was played. It
// travels with the note in documents and on the clipboard.
class DCPlayCount : public DCBase {
    DECLARE_SERIAL(DCPlayCount)

public:
    void Serialize(CArchive& ar) override {
        DCBase::Serialize(ar);
        if (ar.IsStoring()) {
            ar << m_nPlays;
        } else {
            ar >> m_nPlays;
        }
    }

    std::int32_t m_nPlays = 0;
};

IMPLEMENT_SERIAL(DCPlayCount, DCBase, 2 | CRuntimeClass::VersionableSchema)

// A filter that moves notes by a number of semitones; the host applies it to a selection.
class LCTranspose : public LCBase {
    DECLARE_SERIAL(LCTranspose)

public:
    void Serialize(CArchive& ar) override {
        LCBase::Serialize(ar);
        if (ar.IsStoring()) {
            ar << m_nSemitones;
        } else {
            ar >> m_nSemitones;
        }
    }

    std::int8_t m_nSemitones = 12;
};

IMPLEMENT_SERIAL(LCTranspose, LCBase, 2 | CRuntimeClass::VersionableSchema)

} // namespace example

namespace {

using example::DCPlayCount;
using example::LCTranspose;

constexpr int kScoreView = 2;
constexpr unsigned kTransposeCode = 0x54525350; // "TRSP"

// The records live as long as the plug-in; when it is unloaded their destructors take them
// out of the registries, so nothing points into the unloaded library.
struct Registrations {
    CPluginData playCount{RUNTIME_CLASS(DCPlayCount), kScoreView, EventId::Note};
    CPluginFilter transpose{RUNTIME_CLASS(LCTranspose), "Transpose"};

    Registrations() { transpose.SetFilterCode(kTransposeCode); }
    // Refused only when InitPlugins never ran, which leaves nothing to take out.
    ~Registrations() { (void)CPluginData::RemovePlugin(&playCount); }
};

Registrations g_registrations;

} // namespace

extern "C" unsigned GetPluginVersion() { return CPlugin::InterfaceVersion; }

// The loader takes no answer from here: a registration the library refuses is said on standard
// error, and the host then finds no record or filter of this plug-in.
extern "C" void InitPlugins() {
    if (CPluginData::AddPlugin(&g_registrations.playCount) == 0) {
        std::fputs("ExamplePlugin: the play count record was refused\n", stderr);
    }
    if (CPluginFilter::AddPlugin(&g_registrations.transpose) == 0) {
        std::fputs("ExamplePlugin: the transpose filter was refused\n", stderr);
    }
}
