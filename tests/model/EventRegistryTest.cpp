#include "support/TestSupport.h"

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
    const std::pair<int, const CRuntimeClass*> cases[] = {
        {EventId::Base, RUNTIME_CLASS(ECBase)},
        {EventId::WithChild, RUNTIME_CLASS(ECWithChild)},
        {EventId::WithTime, RUNTIME_CLASS(ECWithTime)},
        {EventId::WithTimeChild, RUNTIME_CLASS(ECWithTimeChild)},
        {EventId::Performance, RUNTIME_CLASS(ECPerformance)}};
    for (const auto& [id, cls] : cases) {
        EXPECT_EQ(GetEventRuntimeClass(id), cls) << id;
        std::unique_ptr<ECBase> e(CreateEvent(id));
        ASSERT_NE(e, nullptr) << id;
        EXPECT_TRUE(e->GetEventId() == id && e->GetRuntimeClass() == cls && e->GetRefCount() == 0);
    }
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

    const CRuntimeClass* note = GetEventRuntimeClass(EventId::Note);
    const CRuntimeClass* rest = GetEventRuntimeClass(EventId::Rest);
    {
        EventClassRegistrar registration(EventId::Note, RUNTIME_CLASS(RegistryTestNote));
        EventClassRegistrar notAnElement(EventId::Rest, RUNTIME_CLASS(DCBase));
        std::unique_ptr<ECBase> made(CreateEvent(EventId::Note));
        ASSERT_NE(made, nullptr);
        EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(RegistryTestNote)));
        EXPECT_EQ(CreateEvent(EventId::Rest), nullptr);
    }
    // Leaving the scope forgets the replacement without bringing back the class it replaced.
    EXPECT_EQ(GetEventRuntimeClass(EventId::Note), nullptr);
    RegisterEventClass(EventId::Note, note);
    RegisterEventClass(EventId::Rest, rest);
}

CString NameTempo(ECBase*) { return CString("Allegro"); }

TEST(EventRegistry, DisplayNamesAreTheFixedTextsOrTheSubtypeNamersOfTheirKind) {
    const std::pair<int, const char*> names[] = {{EventId::Base, "Event"},
                                                 {EventId::FlowControl, "Repeat"},
                                                 {EventId::Repeat, "Repeat Pattern"},
                                                 {EventId::Measure, "Layout"},
                                                 {EventId::LyricBlock, "Lyric"},
                                                 {EventId::Performance, "Document"},
                                                 {EventId::PolyPressure, "Polyphonic Pressure"}};
    for (const auto& [id, name] : names) {
        EXPECT_EQ(GetEventString(id), name) << id;
    }
    for (int id : {-5, -1, EventId::Track, EventId::Envelope, 63, 72, 73, 74, 75}) {
        EXPECT_TRUE(GetEventString(id).IsEmpty()) << id;
    }

    EXPECT_TRUE(GetEventString(static_cast<ECBase*>(nullptr)).IsEmpty());
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
