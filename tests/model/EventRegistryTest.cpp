#include "clavenor/model/EventRegistry.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

namespace clavenor {

// A class that registers itself only in the test below.
class RegistryTestNote : public ECWithTime {
    DECLARE_SERIAL(RegistryTestNote)

public:
    int GetEventId() const override { return EventId::Note; }
};

IMPLEMENT_SERIAL(RegistryTestNote, ECWithTime, 1)

namespace {

TEST(EventRegistry, TheBaseClassesAndThePerformanceAreMadeById) {
    struct Case {
        int id;
        const CRuntimeClass* cls;
    };
    for (const Case& c : {Case{EventId::Base, RUNTIME_CLASS(ECBase)},
                          Case{EventId::WithChild, RUNTIME_CLASS(ECWithChild)},
                          Case{EventId::WithTime, RUNTIME_CLASS(ECWithTime)},
                          Case{EventId::WithTimeChild, RUNTIME_CLASS(ECWithTimeChild)},
                          Case{EventId::Performance, RUNTIME_CLASS(ECPerformance)}}) {
        EXPECT_EQ(GetEventRuntimeClass(c.id), c.cls) << c.id;
        std::unique_ptr<ECBase> e(CreateEvent(c.id));
        ASSERT_NE(e, nullptr) << c.id;
        EXPECT_EQ(e->GetEventId(), c.id);
        EXPECT_EQ(e->GetRuntimeClass(), c.cls);
        EXPECT_EQ(e->GetRefCount(), 0);
    }
}

TEST(EventRegistry, UnknownAndUnmakeableIdsGiveNothing) {
    for (int id : {-1, -5, 63, 68, 69, 75, 1000, EventId::Glissando, EventId::Envelope,
                   EventId::TempoEnv, EventId::BankLSB}) {
        EXPECT_EQ(GetEventRuntimeClass(id), nullptr) << id;
        EXPECT_EQ(CreateEvent(id), nullptr) << id;
    }
}

TEST(EventRegistry, AClassRegistersBesideItselfButNotForAnUnmakeableKind) {
    EXPECT_EQ(RegisterEventClass(EventId::Glissando, RUNTIME_CLASS(RegistryTestNote)), 0);
    EXPECT_EQ(RegisterEventClass(EventId::Envelope, RUNTIME_CLASS(RegistryTestNote)), 0);
    EXPECT_EQ(RegisterEventClass(75, RUNTIME_CLASS(RegistryTestNote)), 0);
    EXPECT_EQ(RegisterEventClass(EventId::Note, nullptr), 0);
    EXPECT_EQ(GetEventRuntimeClass(EventId::Glissando), nullptr);

    const CRuntimeClass* before = GetEventRuntimeClass(EventId::Note);
    {
        EventClassRegistrar registration(EventId::Note, RUNTIME_CLASS(RegistryTestNote));
        std::unique_ptr<ECBase> note(CreateEvent(EventId::Note));
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->IsKindOf(RUNTIME_CLASS(RegistryTestNote)));
    }
    // Leaving the scope forgets the replacement without bringing back the class it replaced.
    EXPECT_EQ(GetEventRuntimeClass(EventId::Note), nullptr);
    if (before != nullptr) {
        RegisterEventClass(EventId::Note, before);
    }
}

TEST(EventRegistry, AClassThatIsNoElementIsNotMade) {
    const CRuntimeClass* before = GetEventRuntimeClass(EventId::Rest);
    {
        EventClassRegistrar registration(EventId::Rest, RUNTIME_CLASS(DCBase));
        EXPECT_EQ(CreateEvent(EventId::Rest), nullptr);
    }
    if (before != nullptr) {
        RegisterEventClass(EventId::Rest, before);
    }
}

TEST(EventRegistry, DisplayNamesByIdAreTheFixedTexts) {
    EXPECT_EQ(GetEventString(EventId::Accent), "Accent");
    EXPECT_EQ(GetEventString(EventId::Base), "Event");
    EXPECT_EQ(GetEventString(EventId::Brac), "Brace/Bracket");
    EXPECT_EQ(GetEventString(EventId::FlowControl), "Repeat");
    EXPECT_EQ(GetEventString(EventId::Repeat), "Repeat Pattern");
    EXPECT_EQ(GetEventString(EventId::Measure), "Layout");
    EXPECT_EQ(GetEventString(EventId::Lyric), "Lyric");
    EXPECT_EQ(GetEventString(EventId::LyricBlock), "Lyric");
    EXPECT_EQ(GetEventString(EventId::GraceNote), "Grace note");
    EXPECT_EQ(GetEventString(EventId::Glissando), "Glissando");
    EXPECT_EQ(GetEventString(EventId::Performance), "Document");
    EXPECT_EQ(GetEventString(EventId::PolyPressure), "Polyphonic Pressure");
    EXPECT_EQ(GetEventString(EventId::Wave), "Wave file");
    EXPECT_EQ(GetEventString(EventId::WaveTrack), "Wave track");
    for (int id : {-5, -1, EventId::Track, EventId::Envelope, 63, 72, 73, 74, 75}) {
        EXPECT_TRUE(GetEventString(id).IsEmpty()) << id;
    }
}

CString NameTempo(ECBase*) { return CString("Allegro"); }

TEST(EventRegistry, ElementNamesUseTheSubtypeNamerOfTheirKind) {
    EXPECT_TRUE(GetEventString(static_cast<ECBase*>(nullptr)).IsEmpty());
    ECPerformance performance;
    EXPECT_EQ(GetEventString(&performance), "Document");
    ECWithChild container;
    EXPECT_TRUE(GetEventString(&container).IsEmpty());

    test::KindElement<EventId::Tempo, ECWithTime> tempo;
    EXPECT_EQ(GetEventString(&tempo), "Tempo");
    ASSERT_EQ(SetEventSubtypeNamer(EventId::Tempo, &NameTempo), 1);
    EXPECT_EQ(GetEventString(&tempo), "Allegro");
    SetEventSubtypeNamer(EventId::Tempo, nullptr);
    EXPECT_EQ(GetEventString(&tempo), "Tempo");

    EXPECT_EQ(SetEventSubtypeNamer(EventId::Note, &NameTempo), 0);
    EXPECT_EQ(SetEventSubtypeNamer(-1, &NameTempo), 0);
}

} // namespace
} // namespace clavenor
