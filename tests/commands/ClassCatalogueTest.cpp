// Every element kind the model names by event id and every command the host can build has a
// class behind it: a class record under its own name, of the right base, whose objects answer
// with their own id. The lists below are the whole catalogue; an entry that fails names itself.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace clavenor {
namespace {

struct ElementKind {
    int id;
    const char* name;
    bool madeById; // whether GetEventRuntimeClass/CreateEvent know the class
};

// Ids 63, 68 and 69 belong to no class.
constexpr ElementKind ElementKinds[] = {
    {0, "ECAccent", true},
    {1, "ECAccidental", true},
    {2, "ECArpeggio", true},
    {3, "ECBankLSB", false},
    {4, "ECBankMSB", false},
    {5, "ECBarline", true},
    {6, "ECBase", true},
    {7, "ECBeam", true},
    {8, "ECBrac", true},
    {9, "ECChannelMode", true},
    {10, "ECChannelPressure", true},
    {11, "ECChanPressureEnv", false},
    {12, "ECChord", true},
    {13, "ECChordSymbol", true},
    {14, "ECClef", true},
    {15, "ECConductor", true},
    {16, "ECConductorMeasure", true},
    {17, "ECConductorStaff", true},
    {18, "ECControlChange", true},
    {19, "ECControllerEnv", false},
    {20, "ECDot", true},
    {21, "ECDynamic", true},
    {22, "ECEnvelope", false},
    {23, "ECEnvPoint", false},
    {24, "ECFlowControl", true},
    {25, "ECFrame", true},
    {26, "ECGlissando", false},
    {27, "ECGraceNote", true},
    {28, "ECGroup", true},
    {29, "ECKey", true},
    {30, "ECLyric", true},
    {31, "ECLyricBlock", true},
    {32, "ECMeasure", true},
    {33, "ECMeter", true},
    {34, "ECMeterEnv", false},
    {35, "ECMirror", true},
    {36, "ECMordent", true},
    {37, "ECNote", true},
    {38, "ECNRPNEnv", false},
    {39, "ECNRPNPoint", false},
    {40, "ECOrnament", true},
    {41, "ECPan", true},
    {42, "ECPatchEnv", false},
    {43, "ECPedal", true},
    {44, "ECPerformance", true},
    {45, "ECPitchBend", true},
    {46, "ECPitchBendEnv", false},
    {47, "ECPolyPressure", true},
    {48, "ECPolyPressureEnv", false},
    {49, "ECProgramChange", true},
    {50, "ECRepeat", true},
    {51, "ECRest", true},
    {52, "ECRPNEnv", false},
    {53, "ECRPNPoint", false},
    {54, "ECSlur", true},
    {55, "ECStaff", true},
    {56, "ECSystemMessage", true},
    {57, "ECTempo", true},
    {58, "ECTempoEnv", false},
    {59, "ECText", true},
    {60, "ECTie", true},
    {61, "ECTrack", true},
    {62, "ECTranspose", true},
    {64, "ECTremolo", true},
    {65, "ECTrill", true},
    {66, "ECTuplet", true},
    {67, "ECTurn", true},
    {70, "ECWave", true},
    {71, "ECWaveTrack", true},
    {72, "ECWithChild", true},
    {73, "ECWithTime", true},
    {74, "ECWithTimeChild", true},
};

struct CommandKind {
    int id;
    const char* name;
};

constexpr CommandKind CommandKinds[] = {
    {0, "CCAdd"},
    {1, "CCAddClef"},
    {2, "CCAddDynamic"},
    {3, "CCAddEnvPoint"},
    {4, "CCAddKey"},
    {5, "CCAddMeasure"},
    {6, "CCAddMeter"},
    {7, "CCAddNoteModifier"},
    {8, "CCAddPedal"},
    {9, "CCAddSysEx"},
    {10, "CCAddTempo"},
    {11, "CCAddTrack"},
    {12, "CCAddTranspose"},
    {13, "CCAddTuplet"},
    {14, "CCAdjustMeasureChildren"},
    {15, "CCBase"},
    {16, "CCCopy"},
    {18, "CCCopyTracks"},
    {19, "CCDrag"},
    {20, "CCDrop"},
    {21, "CCEdit"},
    {23, "CCEditData"},
    {24, "CCEditDuration"},
    {25, "CCEditFilter"},
    {26, "CCEditGraph"},
    {29, "CCEditTime"},
    {31, "CCGroupStaves"},
    {32, "CCOrderTracks"},
    {33, "CCPaste"},
    {36, "CCRemove"},
    {37, "CCRemoveClef"},
    {38, "CCRemoveEnvPoint"},
    {39, "CCRemoveKey"},
    {40, "CCRemoveMeasure"},
    {41, "CCRemoveMeter"},
    {42, "CCRemoveTrack"},
};

// What is wrong with the class record `name` as one of `base`'s classes; empty when nothing.
// The made object goes to `made`.
std::string CheckRecord(const char* name, const CRuntimeClass* base,
                        std::unique_ptr<CObject>& made) {
    const CRuntimeClass* cls = CRuntimeClass::FromName(name);
    if (cls == nullptr) {
        return "no class";
    }
    if (!cls->IsDerivedFrom(base)) {
        return std::string("not derived from ") + base->m_lpszClassName;
    }
    made.reset(cls->CreateObject());
    if (made == nullptr) {
        return "no factory";
    }
    if (made->GetRuntimeClass() != cls) {
        return std::string("makes a ") + made->GetRuntimeClass()->m_lpszClassName;
    }
    return {};
}

TEST(ClassCatalogue, EveryEventIdHasItsElementClass) {
    std::vector<std::string> problems;
    for (const ElementKind& kind : ElementKinds) {
        const std::string entry = std::to_string(kind.id) + " " + kind.name + ": ";
        std::unique_ptr<CObject> made;
        std::string problem = CheckRecord(kind.name, RUNTIME_CLASS(ECBase), made);
        if (problem.empty() && static_cast<ECBase*>(made.get())->GetEventId() != kind.id) {
            problem =
                "answers id " + std::to_string(static_cast<ECBase*>(made.get())->GetEventId());
        }
        const CRuntimeClass* byId = GetEventRuntimeClass(kind.id);
        if (problem.empty() && kind.madeById && byId != CRuntimeClass::FromName(kind.name)) {
            problem = "not made by id";
        }
        if (problem.empty() && !kind.madeById && byId != nullptr) {
            problem = std::string("made by id as ") + byId->m_lpszClassName;
        }
        if (!problem.empty()) {
            problems.push_back(entry + problem);
        }
    }
    EXPECT_EQ(problems, std::vector<std::string>{});
}

TEST(ClassCatalogue, EveryCommandIdHasItsCommandClass) {
    std::vector<std::string> problems;
    for (const CommandKind& kind : CommandKinds) {
        const std::string entry = std::to_string(kind.id) + " " + kind.name + ": ";
        std::unique_ptr<CObject> made;
        std::string problem = CheckRecord(kind.name, RUNTIME_CLASS(CCBase), made);
        if (problem.empty() && static_cast<CCBase*>(made.get())->GetCommandId() != kind.id) {
            problem =
                "answers id " + std::to_string(static_cast<CCBase*>(made.get())->GetCommandId());
        }
        if (!problem.empty()) {
            problems.push_back(entry + problem);
        }
    }
    EXPECT_EQ(problems, std::vector<std::string>{});
}

} // namespace
} // namespace clavenor
