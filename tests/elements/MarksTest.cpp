// Dynamics, pedals, texts, lyrics, chord symbols, mirrors and audio-file events: their
// fields, copies, equality, parents, names and records at every document version.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace clavenor {

namespace {

using test::Bytes;
using test::X;

using test::AtSeconds;
using test::ParentTypes;

TEST(Marks, IdsFactoriesParentsAndNames) {
    struct Case {
        std::function<ECBase*()> make;
        int id;
        std::vector<int> parents;
        const char* name;
    };
    const Case cases[] = {
        {[] { return new ECDynamic; }, 21, {22, 19}, "mf"},
        {[] { return new ECDynamic(14, MCTime(1.0f)); }, 21, {22, 19}, ""},
        {[] { return new ECPedal; }, 43, {22, 19}, "Pedal"},
        {[] { return new ECText; }, 59, {55}, ""},
        {[] { return new ECText(1, CString()); }, 59, {17}, "Copyright Information"},
        {[] { return new ECText(2, CString()); }, 59, {}, "Sequence Name"},
        {[] { return new ECText(4, CString()); }, 59, {55}, "Instrument Name"},
        {[] { return new ECText(14, CString()); }, 59, {17}, "Rehearsal Number"},
        {[] { return new ECText(21, CString()); }, 59, {}, ""},
        {[] { return new ECLyric(CString("la")); }, 30, {32}, "Lyric"},
        {[] { return new ECLyricBlock; }, 31, {44}, "Lyric"},
        {[] { return new ECChordSymbol(1, 0, 19, 0); }, 13, {32}, "m6"},
        {[] { return new ECMirror; }, 35, {32}, "Mirror"},
        {[] { return new ECWave; }, 70, {71}, "Wave file"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECBase> e(c.make());
        SCOPED_TRACE(e->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(e->GetEventId(), c.id);
        EXPECT_EQ(ParentTypes(e.get()), c.parents);
        EXPECT_EQ(GetEventString(e.get()), c.name);
        std::unique_ptr<ECBase> made(CreateEvent(c.id));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->GetEventId(), c.id);
    }
}

TEST(Marks, RecordsAtTheCurrentVersion) {
    const std::string timed = "00 00 0000803F FF7F ";
    const std::string point = timed + "00 FFFF7F7F 00 "; // flags, value, controller
    auto held = AtSeconds(new ECDynamic(10, MCTime(2.0f)), 1.0f);
    auto plain = AtSeconds(new ECDynamic(9, MCTime(2.0f)), 1.0f);
    plain->SetText(CString("p!"));
    auto text = AtSeconds(new ECText(8, CString("T")), 1.0f);
    text->SetBold(1);
    auto lyric = AtSeconds(new ECLyric(CString("la")), 1.0f);
    lyric->SetVerse(2);
    lyric->SetAuxType(1);
    auto wave = new ECWave(MCTime(1.0f), CString("a.wav"));
    MCTime two(2.0f);
    wave->SetDuration(&two);
    const std::pair<ECBase*, std::string> cases[] = {
        {held, "@ECDynamic " + point + "0A 00 00000040 00"},
        {plain, "@ECDynamic " + point + "09 02 7021"},
        {AtSeconds(new ECPedal(0x85, MCTime(2.0f)), 1.0f), "@ECPedal " + point + "05 00 00000040"},
        {text, "@ECText " + timed + "08 0154 01180000"},
        {lyric, "@ECLyric " + timed + "00 02 6C61 000A0000 09 00 00000000"},
        {AtSeconds(new ECLyricBlock(CString("la")), 1.0f),
         "@ECLyricBlock " + timed + "00 02 6C61 000A0000 00 00 00000000"},
        {AtSeconds(new ECChordSymbol, 1.0f), "@ECChordSymbol " + timed + "011C1C03 00"},
        {AtSeconds(new ECMirror, 1.0f), "@ECMirror " + timed},
        {wave, "@ECWave " + timed + "05 612E776176 00 00000040"},
    };
    for (const auto& [e, expected] : cases) {
        test::ExpectRecord(e, expected);
    }
}

TEST(Marks, OlderLyricsAndChordSymbols) {
    test::ScopedVersion version(2);
    test::Load(
        X("@ECLyric 00 00 0000803F FF7F 00 02 6C61 000A0000  "
          "@ECChordSymbol 00 00 0000803F FF7F 01 00 04 03  0380 00 00 0000803F FF7F 01 00 1E 03"),
        [](CArchive& ar) {
            ECLyric* lyric = nullptr;
            ECChordSymbol *chord = nullptr, *unknown = nullptr;
            ar >> lyric >> chord >> unknown;
            EXPECT_EQ(lyric->GetVerse(), 1);
            EXPECT_EQ(lyric->GetAuxType(), 0);
            EXPECT_EQ(*lyric->GetDuration(), MCTime(0.0f));
            EXPECT_EQ(chord->GetChordFlavor(), 19);
            EXPECT_EQ(chord->GetChordQuality(), "m6");
            EXPECT_EQ(unknown->GetChordFlavor(), 30) << "old values past the table stay";
            EXPECT_TRUE(unknown->GetChordQuality().IsEmpty());
        });
}

TEST(Marks, DynamicsAndPedals) {
    ECDynamic fresh;
    EXPECT_EQ(fresh.GetDynamicType(), 5);
    EXPECT_EQ(*fresh.GetDuration(), MCTime(0.0f));
    EXPECT_EQ(fresh.GetText(), "mf");
    for (int type : {9, 10, 15, 16}) {
        EXPECT_EQ(ECDynamic::HasDuration(type), type >= 10 && type < 16 ? 1 : 0) << type;
    }
    ECDynamic hairpin(11, MCTime(4.0f));
    test::SetSeconds(&hairpin, 2.0f);
    ECDynamic assigned;
    assigned = hairpin;
    EXPECT_EQ(assigned.GetDynamicType(), 11);
    EXPECT_EQ(*assigned.GetDuration(), MCTime(0.0f)) << "assignment leaves the duration";
    EXPECT_NE(assigned, hairpin);
    ECDynamic copied(hairpin);
    EXPECT_EQ(copied, hairpin);
    EXPECT_EQ(*copied.GetTime(), MCTime(2.0f));

    ECPedal pedal(0x85, MCTime(2.0f));
    EXPECT_EQ(pedal.GetPedalType(), 5);
    EXPECT_EQ(pedal.GetFlags() & 0x8000u, 0u);
    EXPECT_EQ(*ECPedal().GetDuration(), MCTime(4.0f));
    EXPECT_EQ(ECPedal::HasDuration(200), 1);
    // A pedal whose flag bit 15 is set (as a record can set it) keeps it through assignment.
    test::Load(X("@ECPedal 00 00 0000803F FF7F 00 FFFF7F7F 00 83 00 00004040"), [&](CArchive& ar) {
        ECPedal* flagged = nullptr;
        ar >> flagged;
        EXPECT_EQ(flagged->GetPedalType(), 3);
        *flagged = pedal;
        EXPECT_EQ(flagged->GetPedalType(), 5);
        EXPECT_EQ(flagged->GetFlags() & 0x8000u, 0x8000u);
        EXPECT_NE(*flagged, pedal) << "durations differ";
    });
}

TEST(Marks, TextsAndLyrics) {
    EXPECT_EQ(ECText(8, CString()).GetPointSize(), 24);
    EXPECT_EQ(ECText().GetPointSize(), 10);
    EXPECT_EQ(ECText::GetDefaultPointSize(99), 10);
    ECText::SetDefaultPointSize(3, 0x130);
    EXPECT_EQ(ECText(3, CString()).GetPointSize(), 0x30);
    ECText::SetDefaultPointSize(3, 10);
    std::vector<int> titles;
    for (int type = 0; type <= 21; ++type) {
        if (ECText::IsTitlePageText(type) != 0) {
            titles.push_back(type);
        }
    }
    EXPECT_EQ(titles, (std::vector<int>{1, 3, 4, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20}));

    ECText text(0, CString("a\r\n\r\nb\n\nc\r"));
    CArray<CString> lines;
    lines.Add(CString("old"));
    EXPECT_EQ(text.GetTextLines(lines), 3);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[2], "c");
    text.SetItalic(1);
    text.SetPointSize(300);
    EXPECT_EQ(text.GetPointSize(), 44);
    ECText other(5, CString("A\r\n\r\nb\n\nc\r"));
    other = text;
    EXPECT_EQ(other, text);
    EXPECT_EQ(other.GetTextType(), 0);
    other.SetText(CString("A\r\n\r\nb\n\nc\r"));
    EXPECT_NE(other, text) << "texts compare case-sensitively";

    ECLyric lyric(CString("la"));
    lyric.SetVerse(65);
    lyric.SetAuxType(6);
    EXPECT_EQ(lyric.GetVerse(), 1);
    EXPECT_EQ(lyric.GetAuxType(), 2);
    MCTime half(0.5f);
    lyric.SetDuration(&half);
    ECLyric assigned;
    assigned = lyric;
    EXPECT_EQ(assigned.GetVerse(), 1);
    EXPECT_NE(assigned, lyric) << "assignment leaves the duration";
    EXPECT_EQ(ECLyric(lyric), lyric);
}

TEST(Marks, ChordSymbolsChartsAndSuffixTokens) {
    ECChordSymbol chord;
    EXPECT_EQ(chord.GetChordType(), 0x031C1C01u);
    const std::tuple<int, int, int> charts[] = {{6, 0, 0}, {8, 0, 2}, {8, 1, 0}, {27, -3, 2}};
    for (const auto& [flavor, bass, kept] : charts) {
        chord.SetChordFlavor(static_cast<std::int8_t>(flavor));
        chord.SetChordBass(static_cast<std::int8_t>(bass));
        chord.SetChordStyle(0x07);
        EXPECT_EQ(chord.GetChordStyle(), 0x05 | kept) << flavor << " over " << bass;
    }
    ECChordSymbol other(2, 3, 4, 5);
    other.SetChordQuality(CString("maj7"));
    chord = other;
    EXPECT_EQ(chord, other);
    EXPECT_EQ(chord.GetChordRoot(), 2);

    auto tokens = [](const char* text) {
        std::vector<std::string> out;
        ECChordSymbol::BeginParse(CString(text));
        CString piece;
        for (int code = ECChordSymbol::Parse(piece); code != ECChordSymbol::TokenEnd;
             code = ECChordSymbol::Parse(piece)) {
            out.push_back(code == ECChordSymbol::TokenText ? piece.str() : std::to_string(code));
        }
        ECChordSymbol::EndParse();
        return out;
    };
    EXPECT_EQ(tokens("sus[^F9]"), (std::vector<std::string>{"sus", "9", "8", "9"}));
    EXPECT_EQ(tokens("7 alt"), std::vector<std::string>{"7 alt"});
    EXPECT_EQ(tokens("^M^Qx"), (std::vector<std::string>{"1", "1", "x"}));
    EXPECT_EQ(tokens("m]7"), std::vector<std::string>{"m"}) << "a closing bracket ends it";
    EXPECT_TRUE(tokens("^").empty());
}

TEST(Marks, MirrorsRegisterAndTravelInTheFixUpPass) {
    auto* measure = new test::TNode(EventId::Measure);
    measure->Ref();
    auto* clef = new ECClef;
    auto* mirror = new ECMirror;
    ASSERT_EQ(measure->AddChild(clef, 0), 1);
    ASSERT_EQ(measure->AddChild(mirror, 0), 1);
    mirror->SetMirrorEvent(clef, 1);
    EXPECT_EQ(mirror->GetMirrorEvent(), clef);
    EXPECT_EQ(test::Items(&clef->GetMirrors()), std::vector<ECBase*>{mirror});
    ECMirror copy(*mirror);
    EXPECT_EQ(copy.GetMirrorEvent(), clef) << "copies point without registering";
    EXPECT_EQ(clef->GetMirrors().GetCount(), 1);

    const Bytes bytes = test::Store([&](CArchive& ar) {
        ar << measure;
        ACPostSerialize post(ar);
        post.Apply(measure);
    });
    EXPECT_EQ(Bytes(bytes.end() - 2, bytes.end()), X("0400")) << "a back-reference to the clef";
    test::Load(bytes, [](CArchive& ar) {
        ECBase* back = nullptr;
        ar >> back;
        ACPostSerialize post(ar);
        post.Apply(back);
        auto* loadedClef = static_cast<ECClef*>(back->GetChildren()->GetHead());
        auto* loadedMirror = static_cast<ECMirror*>(back->GetChildren()->GetTail());
        EXPECT_EQ(loadedMirror->GetMirrorEvent(), loadedClef);
        EXPECT_EQ(loadedClef->GetMirrors().GetHead(), loadedMirror);
    });

    // A mirror of something that keeps no list is not kept when loaded.
    auto* note = new test::TLeaf;
    ASSERT_EQ(measure->AddChild(note, 0), 1);
    mirror->SetMirrorEvent(note, 1);
    EXPECT_EQ(clef->GetMirrors().GetCount(), 0);
    EXPECT_EQ(mirror->GetMirrorEvent(), note);
    const Bytes toNote = test::Store([&](CArchive& ar) {
        ar << measure;
        ACPostSerialize post(ar);
        post.Apply(measure);
    });
    test::Load(toNote, [](CArchive& ar) {
        ECBase* back = nullptr;
        ar >> back;
        ACPostSerialize post(ar);
        post.Apply(back);
        MCEventList* children = back->GetChildren();
        ASSERT_EQ(children->GetCount(), 3);
        EXPECT_EQ(static_cast<ECMirror*>(children->GetAt(children->FindIndex(1)))->GetMirrorEvent(),
                  nullptr);
    });

    // The clef going clears the pointers of the mirrors that show it.
    mirror->SetMirrorEvent(clef, 1);
    EXPECT_EQ(measure->RemoveChild(clef, 1), 1);
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    measure->RemoveChildren(1);
    measure->Unref(1);
}

TEST(Marks, WavesStartAtZero) {
    ECWave wave(CString("a.wav"));
    EXPECT_EQ(*wave.GetTime(), MCTime(0.0f));
    EXPECT_EQ(*ECWave().GetTime(), MCTime(0.0f));
    ECWave later(MCTime(2.0f), CString("a.wav"));
    EXPECT_NE(wave, later);
    MCTime length(3.0f);
    later.SetDuration(&length);
    wave = later;
    EXPECT_EQ(*wave.GetTime(), MCTime(0.0f));
    EXPECT_EQ(*wave.GetDuration(), MCTime(0.0f));
    EXPECT_EQ(*ECWave(later).GetDuration(), MCTime(3.0f));
    EXPECT_EQ(ECWave(later), later);
}

} // namespace
} // namespace clavenor
