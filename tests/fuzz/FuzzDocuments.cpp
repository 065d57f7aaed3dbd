#include "FuzzDocuments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

namespace clavenor::fuzz {

std::int32_t VersionFromSelector(std::uint8_t selector) {
    return selector <= 4 ? selector : ECPerformance::WriteVersion;
}

void RegisterDataClasses() {
    static CPluginData noteData(RUNTIME_CLASS(DCBase), 2, 73);
    static CPluginData trackData(RUNTIME_CLASS(DCBase), 5, 74);
    static const bool registered =
        CPluginData::AddPlugin(&noteData) == 1 && CPluginData::AddPlugin(&trackData) == 1;
    if (!registered) {
        std::abort(); // every input would then miss the attached records it is meant to reach
    }
}

std::vector<std::uint8_t> Save(ECPerformance* document) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        document->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(document);
        ar.Close();
    }
    return file.Detach();
}

ECPerformance* Load(const std::uint8_t* data, std::size_t size, std::int32_t version) {
    auto* document = new ECPerformance;
    document->SetVersion(version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(document);
    try {
        CMemFile file(data, size);
        CArchive ar(&file, CArchive::load);
        try {
            document->Serialize(ar);
            ACPostSerialize post(ar);
            post.Apply(document);
            ar.Close();
        } catch (...) {
            // The host's side of a failed load: drop the partial document while the archive
            // still holds what it created.
            delete std::exchange(document, nullptr);
            throw;
        }
    } catch (...) {
        ECPerformance::SetActivePerformance(previous);
        // Still here when the file or the archive could not be made (no memory).
        delete document;
        throw;
    }
    ECPerformance::SetActivePerformance(previous);
    return document;
}

namespace {

// Seed documents are fixed, well-formed scores: a link they make is refused only for want of
// memory, and a seed quietly short of an element would test less than it claims.
template <class T>
T* Link(ECBase* parent, T* child, int sorted) {
    if (parent->AddChild(child, sorted) == 0) {
        throw std::bad_alloc();
    }
    return child;
}

ECWithTime* Timed(ECWithChild* parent, MCTime time, int voice, int track) {
    auto* element = new ECWithTime;
    element->SetTime(&time);
    element->SetVoiceTrack(voice, track);
    Link(parent, element, 1);
    return element;
}

template <class T>
T* Placed(T* element, ECBase* parent, float time, float value = 0.0f) {
    MCTime at(time);
    element->SetTime(&at);
    if constexpr (std::is_base_of_v<ECEnvPoint, T>) {
        element->SetValue(value);
    }
    Link(parent, element, 1);
    return element;
}

// Controller data and marks: an envelope of every kind with its points (a plain one on a plain
// track among them), a hairpin kept as an anchor group, pedals, parameter numbers, texts,
// lyrics, a chord symbol, a mirror, a system message, an audio file and a bare element.
ECPerformance* MakeMarksDocument() {
    auto* document = new ECPerformance;
    auto* conductor = new ECConductor;
    Link(document, conductor, 0);
    auto* staff = new ECStaff;
    Link(conductor, staff, 1);

    auto* volume = new ECControllerEnv;
    volume->SetControllerType(7);
    volume->SetEnvelopeName(CString("Volume"));
    Link(staff, volume, 1);
    Placed(new ECControlChange(7), volume, 0.0f, 10.0f)->SetStyle(ECEnvPoint::StyleLinear);
    Placed(new ECControlChange(7), volume, 2.0f, 90.0f);
    auto* start = Placed(new ECDynamic(11, MCTime(2.0f)), volume, 4.0f, 64.0f);
    auto* end = Placed(new ECDynamic(5, MCTime(0.0f)), volume, 6.0f, 96.0f);
    start->SetAnchor(1);
    start->SetAnchorHead(1);
    start->SetText(CString("cresc. poco"));
    end->SetAnchor(1);
    MCEventList hairpin;
    if (hairpin.AddTail(start) == nullptr || hairpin.AddTail(end) == nullptr) {
        throw std::bad_alloc();
    }
    volume->AddAnchorGroup(&hairpin);
    Placed(new ECPan, volume, 7.0f, 64.0f);
    Placed(new ECPedal(3, MCTime(1.0f)), volume, 8.0f, 127.0f);

    auto* bend = new ECPitchBendEnv;
    Link(staff, bend, 1);
    Placed(new ECPitchBend, bend, 1.0f, 8192.0f);
    auto* pressure = new ECChanPressureEnv;
    Link(staff, pressure, 1);
    Placed(new ECChannelPressure, pressure, 1.5f, 30.0f);
    auto* poly = new ECPolyPressureEnv;
    poly->SetKey(60);
    Link(staff, poly, 1);
    Placed(new ECPolyPressure(60), poly, 2.5f, 40.0f);
    auto* patches = new ECPatchEnv;
    Link(staff, patches, 1);
    Placed(new ECProgramChange, patches, 0.0f, ECPatchEnv::MakePatchValue(0, 1, 5));
    auto* rpn = new ECRPNEnv;
    Link(staff, rpn, 1);
    Placed(new ECRPNPoint(0, 0), rpn, 0.0f, 2.0f);
    auto* nrpn = new ECNRPNEnv;
    nrpn->Set14Bit(0);
    Link(staff, nrpn, 1);
    Placed(new ECNRPNPoint(1, 8), nrpn, 0.5f, 70.0f);
    Placed(new ECChannelMode, staff, 0.0f)->SetChannelModeType(7);
    Placed(new ECBankMSB, staff, 0.0f);
    Placed(new ECBankLSB, staff, 0.0f);
    Placed(new ECText(0, CString("legato\r\nsempre")), staff, 0.0f);

    auto* measure = new ECMeasure;
    Placed(measure, staff, 0.0f);
    auto* lyric = Placed(new ECLyric(CString("la")), measure, 0.0f);
    lyric->SetVerse(2);
    Placed(new ECChordSymbol(1, 0, 19, 2), measure, 0.0f)->SetChordQuality(CString("m6"));
    Placed(new ECMirror, measure, 0.0f);

    Placed(new ECSystemMessage(1), conductor, 0.0f)->SetMessageName(CString("GM on"));
    Placed(new ECText(8, CString("Title")), conductor, 0.0f);
    Link(document, new ECLyricBlock(CString("verse one")), 0);
    auto* audio = new ECWaveTrack(conductor, document);
    Link(conductor, audio, 1);
    Link(audio, new ECWave(MCTime(1.0f), CString("take1.wav")), 1);

    auto* track = new ECTrack;
    Link(conductor, track, 1);
    auto* plain = new ECEnvelope;
    plain->SetIntValued(0);
    Link(track, plain, 1);
    Placed(new ECEnvPoint, plain, 0.0f, 0.25f)->SetStyle(ECEnvPoint::StyleLinear);
    Placed(new ECEnvPoint, plain, 3.0f, 0.75f);
    auto* bare = new ECBase;
    Link(track, bare, 0);
    bare->GetData(2, 1);
    return document;
}

// Notation marks: a clef, a key and a repeat in a measure, a transposition in an envelope,
// barlines and a bracket in a conductor measure, endings and a navigation mark in the
// conductor staff, a frame with its item, a plain group, a tuplet of three notes, every note
// modifier, and a tie, a slur, a glissando and a beam over the notes.
ECPerformance* MakeNotationMarksDocument() {
    auto* document = new ECPerformance;
    auto* conductor = new ECConductor;
    Link(document, conductor, 0);
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    Placed(new ECMeter(4, 4, 0), track0->GetMeterEnv(), 0.0f);
    auto* staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 1, 1));
    ECMeasure* first = conductor->GetMeasure(1, MCTime(0.0f), 1, 1);
    ECMeasure* second = conductor->GetMeasure(1, MCTime(4.0f), 1, 1);
    auto* clef = Placed(new ECClef(2), first, 0.0f);
    clef->SetHand(1);
    Placed(new ECKey(3, 0, 1), first, 0.0f);
    Placed(new ECRepeat(4), second, 4.0f);
    ECMeasure* bar = conductor->GetMeasure(0, MCTime(0.0f), 1, 1);
    auto* barline = new ECBarline;
    barline->SetBarlineType(5);
    barline->SetBarlinePos(2);
    Link(bar, barline, 0);
    Link(bar, new ECBrac(1), 0);
    auto* ending = Placed(new ECFlowControl(2), track0, 4.0f);
    ending->SetEndingNumber(2);
    Placed(new ECFlowControl(14), track0, 6.0f)->SetSequenceNumber(-7);
    Placed(new ECFlowControl(7), track0, 8.0f);
    auto* frame = Placed(new ECFrame(3), document, 0.0f);
    frame->SetClientItem(new COleClientItem(std::string("picture\0bytes", 13)));
    auto* volume = new ECControllerEnv;
    volume->SetControllerType(7);
    Link(staff, volume, 1);
    Placed(new ECTranspose(5, MCTime(8.0f)), volume, 0.0f);

    auto* tuplet = new ECTuplet(3, 2, 3);
    Placed(tuplet, first, 1.0f);
    std::vector<ECNote*> notes;
    for (int i = 0; i < 3; ++i) {
        const MCTime at(1.0f + static_cast<float>(i) / 3);
        auto* note = new ECNote(at, MCTime(0.5f));
        Link(first, note, 1);
        Link(tuplet, note, 1);
        notes.push_back(note);
    }
    auto* chord = Placed(new ECChord, second, 5.0f);
    for (int i = 0; i < 2; ++i) {
        Link(chord, new ECNote(MCTime(5.0f), MCTime(1.0f)), 1);
    }
    auto* rest = Placed(new ECRest(8), second, 6.0f);
    for (float at : {4.0f, 7.0f}) {
        auto* note = new ECNote(MCTime(at), MCTime(1.0f));
        Link(second, note, 1);
        notes.push_back(note);
    }
    auto* grace = new ECGraceNote(MCTime(3.875f), MCTime(0.125f));
    Link(notes[3], grace, 0);
    Link(notes[0], new ECAccent(5), 0);
    Link(notes[0], new ECAccidental(2), 0);
    Link(grace, new ECAccidental(1), 0);
    Link(rest, new ECDot(1), 0);
    Link(chord, new ECArpeggio(1), 0);
    Link(chord, new ECMordent(2), 0);
    Link(notes[1], new ECOrnament(3), 0);
    Link(notes[2], new ECTurn(4), 0);
    Placed(new ECTrill(1), notes[3], 4.0f);
    Placed(new ECTremolo(3), chord, 5.0f);

    auto line = [](ECGroup* group, ECBase* parent, float time, std::vector<ECBase*> members) {
        for (ECBase* member : members) {
            Link(group, member, 1);
        }
        Placed(group, parent, time);
    };
    line(new ECTie, staff, 3.5f, {notes[2], notes[3]});
    line(new ECSlur, staff, 1.5f, {notes[0], notes[1], notes[2], notes[3]});
    line(new ECGlissando, staff, 4.5f, {notes[3], notes[4]});
    line(new ECBeam, second, 5.5f, {chord, rest, notes[4]});
    line(new ECGroup(ECGroup::TypeDissolveWhenEmpty | ECGroup::TypeLockWhenDetached), staff, 6.5f,
         {rest, notes[4]});
    return document;
}

} // namespace

void QueryTimeline(ECPerformance* document) {
    ECConductor* conductor = document->GetConductor();
    ECConductorStaff* track0 = conductor != nullptr ? conductor->GetConductorStaff() : nullptr;
    if (track0 == nullptr) {
        return;
    }
    constexpr int kSamples = 48;
    constexpr int kStaves = 8;
    const int staves = std::min(track0->GetMaxStaffNumber(), kStaves);
    const float end = track0->GetMaxMeasureEndTime().GetSeconds();
    const float span = std::isfinite(end) && end > 0.0f ? end : 4.0f;
    MCEventList list;
    for (int i = -1; i <= kSamples + 1; ++i) {
        const MCTime time(span * static_cast<float>(i) / kSamples);
        conductor->GetMeasureNumberAtTime(time);
        conductor->GetMeasureNumberBeforeTime(time);
        for (int track = 0; track <= staves; ++track) {
            conductor->GetMeasure(track, time, 0, 1);
        }
        conductor->GetMeasures(ECConductorStaff::AllTracks, time, MCTime(span), list);
        MCTime start;
        MCTime stop;
        conductor->GetMeterScope(conductor->GetMeterAtTime(time), start, stop);
        conductor->GetTempoBeforeTime(time);
        MCTime position = time;
        track0->GetMeterEnv()->GetBarPulseTick(position, MCTime::GlobalPPQ);
        track0->GetMeterEnv()->GetNormalizedTime(position);
        MCTime clock = time;
        track0->GetTempoEnv()->GetClockTime(clock);
        track0->GetTempoEnv()->GetNormalizedTime(clock);
    }
    for (int n = 0; n <= conductor->GetMaxMeasureNumber() && n < kSamples; ++n) {
        conductor->GetMeasures(ECConductorStaff::AllTracks, n, n + 1, list);
    }
    MCTime past(span);
    past += MCTime(1.0f);
    conductor->GetMeasure(1, past, 1, 1);
}

ECPerformance* MakeScoreDocument() {
    auto* document = new ECPerformance;
    auto* conductor = new ECConductor;
    Link(document, conductor, 0);
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    ECMeterEnv* meters = track0->GetMeterEnv();
    Placed(new ECMeter(4, 4, 0), meters, 0.0f);
    Placed(new ECMeter(3, 4, 255), meters, 16.0f);
    Placed(new ECMeter(6, 8, 255), meters, 28.0f);
    ECTempoEnv* tempi = track0->GetTempoEnv();
    Placed(new ECTempo, tempi, 0.0f, 120.0f);
    Placed(new ECTempo, tempi, 8.0f, 90.0f)->SetStyle(ECEnvPoint::StyleLinear);
    Placed(new ECTempo(ECTempo::TypeAllegro, MCTime(0.0f)), tempi, 16.0f);
    auto* pause = Placed(new ECTempo(ECTempo::TypeGeneralPause, MCTime(1.0f)), tempi, 24.0f);
    pause->SetAnchor(1);
    pause->SetAnchorHead(1);
    pause->SetPausePercent(100.0f);
    Placed(new ECTempo, tempi, 25.0f, 100.0f);

    conductor->GetTrack(ECConductor::KindStaff, 1, 1);
    auto* second = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 2, 1));
    second->SetStaffType(1);
    int group = -1;
    track0->GroupStaves(1, 2, 0, group);
    conductor->GetTrack(ECConductor::KindWaveTrack, 1, 1);
    // Ten measures: four of 4/4, four of 3/4, two of 6/8.
    conductor->GetMeasure(0, MCTime(33.5f), 1, 1);
    for (float at = 0.0f; at < 34.0f; at += 1.5f) {
        const int track = at < 17.0f ? 1 : 2;
        ECMeasure* measure = conductor->GetMeasure(track, MCTime(at), 0, 1);
        auto* note = new ECNote(MCTime(at), MCTime(0.5f));
        note->SetVoiceTrack(0, track);
        Link(measure, note, 1);
    }
    return document;
}

std::vector<ECPerformance*> MakeSeedDocuments() {
    RegisterDataClasses();
    std::vector<ECPerformance*> documents;

    documents.push_back(new ECPerformance);

    auto* score = new ECPerformance;
    auto* conductor = new ECConductor;
    Link(score, conductor, 0);
    auto* staff = new ECStaff(3);
    staff->SetStaffEmpty(0);
    Link(conductor, staff, 1);
    auto* wave = new ECWaveTrack(conductor, score);
    Link(conductor, wave, 1);
    auto* bar = new ECWithTimeChild;
    Link(staff, bar, 1);
    Timed(bar, MCTime(1.0f), 1, 1);
    ECWithTime* shared = Timed(bar, MCTime(2.5f), 2, 1);
    Timed(bar, MCTime(2, 1, 240, 480), 3, 1);
    auto* group = new ECWithChild;
    Link(bar, group, 0);
    Link(group, shared, 0);
    shared->GetData(2, 1);
    bar->GetData(5, 1);
    shared->SetSelected(1);
    documents.push_back(score);

    auto* wide = new ECPerformance;
    auto* container = new ECWithTimeChild;
    Link(wide, container, 0);
    for (int i = 0; i < 300; ++i) {
        Timed(container, MCTime(static_cast<float>(i) / 4), i % 16, i);
    }
    documents.push_back(wide);

    // Notation: a rest, chords shared with a beam-like container, a grace note.
    auto* notation = new ECPerformance;
    auto* notationConductor = new ECConductor;
    Link(notation, notationConductor, 0);
    auto* notationStaff = new ECStaff;
    Link(notationConductor, notationStaff, 1);
    auto* measure = new ECMeasure;
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    Link(notationStaff, measure, 1);
    auto* rest = new ECRest(8);
    rest->SetTime(&zero);
    Link(measure, rest, 1);
    auto* beam = new ECWithTimeChild;
    for (int i = 1; i <= 2; ++i) {
        MCTime at(static_cast<float>(i));
        auto* chord = new ECChord;
        chord->SetTime(&at);
        chord->SetVoiceTrack(1, 1);
        Link(measure, chord, 1);
        Link(beam, chord, 0);
        auto* note = new ECNote(at, MCTime(0.5f));
        Link(chord, note, 1);
        Link(chord, new ECNote(at, MCTime(1, 0, 240, 480)), 1);
        Link(note, new ECGraceNote(MCTime(static_cast<float>(i) - 0.125f), MCTime(0.125f)), 0);
        Timed(chord, at, 1, 1);
    }
    Link(measure, beam, 0);
    documents.push_back(notation);

    auto* deep = new ECPerformance;
    ECWithChild* level = deep;
    for (int i = 0; i < 40; ++i) {
        auto* next = new ECWithTimeChild;
        Link(level, next, 0);
        level = next;
    }
    documents.push_back(deep);

    documents.push_back(MakeMarksDocument());
    documents.push_back(MakeScoreDocument());
    documents.push_back(MakeNotationMarksDocument());
    return documents;
}

namespace {

// Writes the archive format by hand, keeping the writer's numbering of classes and objects.
// Elements are ECWithChild records: a flag byte, then the children when bit 1 is set.
class StreamWriter {
public:
    std::vector<std::uint8_t> bytes;

    void Byte(std::uint8_t b) { bytes.push_back(b); }
    void Word(std::uint16_t w) {
        Byte(static_cast<std::uint8_t>(w));
        Byte(static_cast<std::uint8_t>(w >> 8));
    }
    void DWord(std::uint32_t d) {
        Word(static_cast<std::uint16_t>(d));
        Word(static_cast<std::uint16_t>(d >> 16));
    }
    void Count(std::uint32_t n) {
        if (n < 0xFFFF) {
            Word(static_cast<std::uint16_t>(n));
        } else {
            Word(0xFFFF);
            DWord(n);
        }
    }
    // The tag of a new object of `name`; returns the object's index.
    std::uint32_t New(const std::string& name) {
        auto known = m_classes.find(name);
        if (known == m_classes.end()) {
            Word(0xFFFF);
            Word(name == "MCDataArray" ? 0 : 2);
            Word(static_cast<std::uint16_t>(name.size()));
            bytes.insert(bytes.end(), name.begin(), name.end());
            m_classes.emplace(name, m_next++);
        } else if (known->second < 0x7FFF) {
            Word(static_cast<std::uint16_t>(0x8000 | known->second));
        } else {
            Word(0x7FFF);
            DWord(0x80000000u | known->second);
        }
        return m_next++;
    }
    void Reference(std::uint32_t index) {
        if (index < 0x7FFF) {
            Word(static_cast<std::uint16_t>(index));
        } else {
            Word(0x7FFF);
            DWord(index);
        }
    }
    // A new container whose children list holds `count` entries, written next by the caller.
    std::uint32_t Container(std::uint32_t count) {
        const std::uint32_t index = New("ECWithChild");
        Byte(count > 0 ? 0x02 : 0x00);
        if (count > 0) {
            Count(count);
        }
        return index;
    }
    // The performance's own record around `children` written by `body`, for a direct load.
    template <class Body>
    void Document(std::uint32_t children, Body body) {
        Byte(0x02);
        Count(children);
        body();
        Byte(0x00); // time: seconds
        DWord(0);
        Word(0x7FFF);
    }

private:
    std::map<std::string, std::uint32_t> m_classes;
    std::uint32_t m_next = 1;
};

std::uint32_t Diamond(StreamWriter& out, int left) {
    if (left == 0) {
        return out.Container(0);
    }
    const std::uint32_t top = out.Container(2);
    out.Container(1);
    const std::uint32_t bottom = Diamond(out, left - 1);
    out.Container(1);
    out.Reference(bottom);
    return top;
}

} // namespace

std::vector<std::uint8_t> DeepChainsStream(int chains, int length) {
    StreamWriter out;
    out.Document(1, [&] {
        out.Container(static_cast<std::uint32_t>(chains + 1));
        std::uint32_t previous = 0;
        for (int c = 0; c < chains; ++c) {
            // A holder with one data record whose owner slot reads the chain.
            out.New("ECWithChild");
            out.Byte(0x01);
            out.Byte(1);
            out.Byte(0);
            out.Byte(0);
            out.New("DCBase");
            out.DWord(1);
            out.DWord(0);
            const std::uint32_t first = out.Container(previous != 0 || length > 1 ? 1 : 0);
            for (int i = 1; i < length; ++i) {
                out.Container(previous != 0 || i + 1 < length ? 1 : 0);
            }
            if (previous != 0) {
                out.Reference(previous);
            }
            previous = first;
        }
        out.Reference(previous);
    });
    return out.bytes;
}

std::vector<std::uint8_t> DiamondsStream(int diamonds) {
    StreamWriter out;
    out.Document(1, [&] { Diamond(out, diamonds); });
    return out.bytes;
}

std::vector<std::uint8_t> SharedChildStream(int parents) {
    StreamWriter out;
    out.Document(1, [&] {
        out.Container(static_cast<std::uint32_t>(parents));
        std::uint32_t shared = 0;
        for (int p = 0; p < parents; ++p) {
            out.Container(1);
            if (shared == 0) {
                shared = out.Container(0);
            } else {
                out.Reference(shared);
            }
        }
    });
    return out.bytes;
}

} // namespace clavenor::fuzz
