#include "fuzz/FuzzDocuments.h"
#include "fuzz/FuzzPaste.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sys/wait.h>

namespace clavenor::test {

// An element that notes which document the archives carried.
class TDocLeaf : public TLeaf {
    DECLARE_SERIAL(TDocLeaf)
public:
    void Serialize(CArchive& ar) override {
        TLeaf::Serialize(ar);
        (ar.IsStoring() ? s_stored : s_loaded) = ar.GetDocument();
    }
    static inline CDocument* s_stored = nullptr;
    static inline CDocument* s_loaded = nullptr;
};
IMPLEMENT_SERIAL(TDocLeaf, TLeaf, 2 | CRuntimeClass::VersionableSchema)

namespace {

// A command the test keeps after the manager is done with it.
template <class T>
class Held {
public:
    Held() : m_command(new T) {
        m_command->Ref();
        m_command->SetSynchronous(1);
    }
    ~Held() { m_command->Unref(1); }
    T* operator->() const { return m_command; }
    T* get() const { return m_command; }

private:
    T* m_command;
};

// A document with a staff and one measure.
struct Score {
    Score() {
        EXPECT_EQ(m_doc->GetChildren()->GetHead()->AddChild(staff, 1), 1);
        MCTime zero(0.0f);
        measure->SetTime(&zero);
        EXPECT_EQ(staff->AddChild(measure, 1), 1);
    }
    ECNote* AddNote(float time, ECBase* parent = nullptr) {
        auto* note = new ECNote(MCTime(time), MCTime(0.5f));
        EXPECT_EQ((parent != nullptr ? parent : measure)->AddChild(note, 1), 1);
        return note;
    }
    ECPerformance* get() const { return m_doc.get(); }
    ECPerformance* operator->() const { return m_doc.get(); }

    Document m_doc;
    ECStaff* staff = new ECStaff;
    ECMeasure* measure = new ECMeasure;
};

// Copy and paste run on a clipboard of the test's own.
class ClipboardCommands : public ::testing::Test {
protected:
    ClipboardCommands() : m_previous(CDataTransfer::SetActive(&m_clipboard)) {
        m_from.AddNote(0.0f);
        m_from.AddNote(1.0f);
        m_chord->SetTime(&m_two);
        EXPECT_EQ(m_from.measure->AddChild(m_chord, 1), 1);
        m_from.AddNote(2.0f, m_chord);
        m_from.AddNote(2.0f, m_chord);
    }
    ~ClipboardCommands() override { CDataTransfer::SetActive(m_previous); }

    int Copy(MCEventList* events, Score& from) {
        auto* copy = new CCCopy;
        copy->SetSynchronous(1);
        copy->CopyEvents(events);
        copy->CopyInfo(1, "origin", 7);
        return copy->Apply(from.get());
    }

    // Links every pasted element into `to`'s measure with one CCAdd.
    static void Insert(CCPaste* paste, Score& to) {
        auto* add = new CCAdd;
        add->SetSynchronous(1);
        for (POSITION pos = paste->GetEvents().GetHeadPosition(); pos != nullptr;) {
            add->Add(paste->GetEvents().GetNext(pos), to.measure, FCMidi::MidiNull());
        }
        MCCommandMgr::BeginUndo(to.get(), CString("Paste"));
        EXPECT_EQ(add->Apply(to.get()), 1);
        MCCommandMgr::EndUndo(to.get());
    }

    CMemDataTransfer m_clipboard;
    CDataTransfer* m_previous;
    Score m_from;
    Score m_to;
    ECChord* m_chord = new ECChord;
    MCTime m_two{2.0f};
};

TEST_F(ClipboardCommands, APasteInsertedWithAddHoldsDeepCopiesThatShareNothing) {
    Journal journal;
    Handler states{&journal, "state"};
    m_from->AddStateHandler(&Handler::State, &states);
    m_to->AddStateHandler(&Handler::State, &states);

    MCCommandMgr::BeginUndo(m_from.get(), CString("Copy"));
    ASSERT_EQ(Copy(m_from.measure->GetChildren(), m_from), 1);
    MCCommandMgr::EndUndo(m_from.get());
    Held<CCPaste> paste;
    MCCommandMgr::BeginUndo(m_to.get(), CString("Read"));
    ASSERT_EQ(paste->Apply(m_to.get()), 1);
    MCCommandMgr::EndUndo(m_to.get());
    EXPECT_EQ(journal.Joined(), "state:500:16 state:500:33") << "seen, never recorded";
    EXPECT_EQ(m_from->GetUndoCount(), 0);
    EXPECT_EQ(m_to->GetUndoCount(), 0);

    ASSERT_EQ(paste->GetEvents().GetCount(), 3);
    EXPECT_STREQ(static_cast<const char*>(paste->GetInfo(1)), "origin");
    EXPECT_EQ(paste->GetDataInfo()->GetEventType(), -2) << "notes and a chord";
    Insert(paste.get(), m_to);
    EXPECT_EQ(m_to->GetUndoCount(), 1);
    const std::vector<std::uint8_t> pasted = fuzz::Save(m_to.get());

    // Nothing below the new measure content belongs to the source document.
    ACFindEvents found;
    found.Apply(m_to.measure);
    for (POSITION pos = found.GetEvents()->GetHeadPosition(); pos != nullptr;) {
        ECBase* e = found.GetEvents()->GetNext(pos);
        EXPECT_EQ(e->GetAncestor(EventId::Performance, -1), m_to.get());
    }
    ECBase* copiedChord = m_to.measure->GetChildren()->GetTail();
    EXPECT_EQ(copiedChord->GetChildren()->GetCount(), 2);
    MCTime later(3.0f);
    m_from.measure->GetChildren()->GetHead()->SetTime(&later);
    m_from.measure->RemoveChildren(1);
    EXPECT_EQ(fuzz::Save(m_to.get()), pasted) << "changing the source changes no copy";
}

TEST_F(ClipboardCommands, AChordAndOneOfItsNotesTravelAsTheChordAlone) {
    Held<CCCopy> copy;
    copy->CopyEvent(m_chord->GetChildren()->GetHead());
    copy->CopyEvent(m_chord);
    ASSERT_EQ(copy->Apply(m_from.get()), 1);
    EXPECT_EQ(copy->GetEvents().GetCount(), 1);
    EXPECT_EQ(copy->GetEvents().GetHead(), m_chord);
    EXPECT_EQ(copy->GetDataInfo().GetEventType(), EventId::Chord);
    EXPECT_EQ(copy->GetDataOut(), nullptr) << "handed to the clipboard";

    Held<CCPaste> paste;
    ASSERT_EQ(paste->Apply(m_to.get()), 1);
    ASSERT_EQ(paste->GetEvents().GetCount(), 1);
    EXPECT_EQ(paste->GetEvents().GetHead()->GetChildren()->GetCount(), 2);
}

TEST_F(ClipboardCommands, TheFormatChoosesWhatAPasteReads) {
    ASSERT_EQ(Copy(m_from.measure->GetChildren(), m_from), 1);
    EXPECT_EQ(CCPaste::ClipboardHasValidData(), 1);
    EXPECT_EQ(CCPaste::ClipboardHasFormat(MCClipFormat::Data(), 1), 1);
    EXPECT_EQ(CCPaste::ClipboardHasFormat(RegisterClipboardFormat("text/plain"), 0), 0);
    struct Case {
        std::uint16_t format;
        bool info;
        int events;
    };
    for (const Case& c : {Case{0, true, 3}, Case{MCClipFormat::Data(), false, 3},
                          Case{MCClipFormat::Info(), true, 0}}) {
        SCOPED_TRACE(c.format);
        Held<CCPaste> paste;
        paste->SetFormat(c.format);
        EXPECT_EQ(paste->HasFormat(MCClipFormat::Info(), 0), 0) << "no data in before Prepare";
        ASSERT_EQ(paste->Apply(m_to.get()), 1);
        EXPECT_EQ(paste->HasFormat(MCClipFormat::Info(), 0), 1);
        EXPECT_EQ(paste->GetDataInfo() != nullptr, c.info);
        EXPECT_EQ(paste->GetEvents().GetCount(), c.events);
    }
}

TEST_F(ClipboardCommands, DoCopyEventGivesAFreeNoteWithTheSameValues) {
    ECNote* note = static_cast<ECNote*>(m_from.measure->GetChildren()->GetHead());
    ECBase* copy = CCCopy::DoCopyEvent(note, nullptr);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetEventId(), EventId::Note);
    EXPECT_NE(copy, note);
    EXPECT_TRUE(*static_cast<ECNote*>(copy) == *note);
    EXPECT_TRUE(copy->GetParents()->IsEmpty());
    EXPECT_EQ(copy->GetRefCount(), 0);
    delete copy;

    MCEventList empty;
    MCEventList target;
    ASSERT_NE(target.AddTail(note), nullptr);
    EXPECT_EQ(CCCopy::DoCopyEvents(empty, target, nullptr), 0);
    EXPECT_EQ(target.GetCount(), 1) << "an empty source leaves the target alone";
}

TEST_F(ClipboardCommands, DamagedMusicGivesAnEmptyPasteAndAFailedCommand) {
    Journal journal;
    Handler states{&journal, "state"};
    m_to->AddStateHandler(&Handler::State, &states);

    Held<CCPaste> nothing;
    ASSERT_EQ(nothing->Apply(m_to.get()), 1);
    EXPECT_TRUE(nothing->GetEvents().IsEmpty());
    EXPECT_TRUE(nothing->GetError().IsEmpty()) << "an empty clipboard is no error";

    ASSERT_EQ(Copy(m_from.measure->GetChildren(), m_from), 1);
    const CTransferData::Payload good =
        m_clipboard.GetClipboard()->GetFormat(MCClipFormat::MusicData);
    auto damaged = std::make_shared<CTransferData>(*m_clipboard.GetClipboard());
    damaged->SetFormat(MCClipFormat::MusicData,
                       std::make_shared<const CTransferData::Bytes>(
                           good->begin(), good->begin() + static_cast<long>(good->size() / 2)));
    m_clipboard.SetClipboard(damaged);
    const int live = g_liveElements;
    Held<CCPaste> paste;
    ASSERT_EQ(paste->Apply(m_to.get()), 1); // dispatched; it fails with the record below
    EXPECT_TRUE(paste->GetEvents().IsEmpty());
    EXPECT_EQ(paste->GetDataInfo(), nullptr) << "all or nothing";
    EXPECT_NE(paste->GetError().str().find("damaged"), std::string::npos) << paste->GetError();
    EXPECT_EQ(journal.Joined(), "state:501:33");
    EXPECT_EQ(g_liveElements, live);

    Held<CCCopy> empty;
    ASSERT_EQ(empty->Apply(m_from.get()), 1); // dispatched, then it fails
    EXPECT_EQ(m_clipboard.GetClipboard(), damaged) << "copying nothing fails and changes nothing";
}

TEST_F(ClipboardCommands, TheArchivesCarryTheHostsDocuments) {
    CDocument source;
    CDocument target;
    auto* leaf = new TDocLeaf;
    ASSERT_EQ(m_from.measure->AddChild(leaf, 1), 1);
    Held<CCCopy> copy;
    EXPECT_EQ(copy->GetDocument(), nullptr);
    copy->SetDocument(&source);
    EXPECT_EQ(copy->GetDocument(), &source);
    copy->CopyEvent(leaf);
    ASSERT_EQ(copy->Apply(m_from.get()), 1);
    Held<CCPaste> paste;
    paste->SetDocument(&target);
    ASSERT_EQ(paste->Apply(m_to.get()), 1);
    EXPECT_EQ(TDocLeaf::s_stored, &source);
    EXPECT_EQ(TDocLeaf::s_loaded, &target);
}

// A window system in miniature: its drag loop drops what is dragged onto the target
// document through a CCDrop.
class DragService : public CMemDataTransfer {
public:
    DROPEFFECT DoDragDrop(std::shared_ptr<const CTransferData> data, DROPEFFECT allowed,
                          COleDropSource& source, CWnd*) override {
        this->allowed = allowed;
        dropButtons = source.GetDropButtons();
        cancelButtons = source.GetCancelButtons();
        COleDataObject dropped;
        dropped.Attach(std::move(data));
        Held<CCDrop> drop;
        drop->SetDataObject(&dropped);
        EXPECT_EQ(drop->Apply(target), 1);
        dropCount = drop->GetEvents().GetCount();
        stillLent = dropped.IsAttached();
        return DROPEFFECT_COPY;
    }
    int DragDetect(CWnd*, UINT delayMs, UINT) override {
        askedDelay = delayMs;
        return detect;
    }
    UINT GetMouseButtons() override { return buttons; }
    UINT GetDragDelay() override { return 350; }

    ECPerformance* target = nullptr;
    int detect = 0;
    UINT buttons = 0;
    UINT askedDelay = 0;
    DROPEFFECT allowed = 0;
    UINT dropButtons = 0;
    UINT cancelButtons = 0;
    int dropCount = -1;
    bool stillLent = false;
};

TEST_F(ClipboardCommands, ADragCarriesTheElementsToTheDropTarget) {
    DragService service;
    CDataTransfer::SetActive(&service);
    service.target = m_to.get();
    Held<CCDrag> drag;
    EXPECT_EQ(drag->GetDragDelay(), 350u) << "the service's defaults, at construction";
    EXPECT_EQ(drag->GetDragMinDist(), 2u);
    EXPECT_EQ(drag->GetDropEffect(), DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(drag->DoDragDrop(), DROPEFFECT_NONE) << "nothing prepared yet";
    drag->CopyEvents(m_from.measure->GetChildren());
    ASSERT_EQ(drag->Apply(m_from.get()), 1);
    ASSERT_NE(drag->GetDataOut(), nullptr) << "the data stays for the drag";
    EXPECT_EQ(service.GetClipboard(), nullptr);

    drag->SetDragDelay(90);
    EXPECT_EQ(drag->DoDragDrop(), DROPEFFECT_NONE) << "the pointer never left its place";
    EXPECT_EQ(service.askedDelay, 90u);
    EXPECT_EQ(service.dropCount, -1);
    EXPECT_EQ(drag->GetDropEffect(), DROPEFFECT_NONE) << "what happened is what it allows next";
    drag->SetDropEffect(DROPEFFECT_COPY | DROPEFFECT_MOVE);

    service.detect = 1;
    EXPECT_EQ(CCDrag::DragDetect(nullptr), 1);
    EXPECT_EQ(drag->DoDragDrop(), DROPEFFECT_COPY);
    EXPECT_EQ(drag->GetDropEffect(), DROPEFFECT_COPY);
    EXPECT_EQ(service.allowed, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(service.dropCount, 3);
    EXPECT_TRUE(service.stillLent) << "the data object has its transfer back";

    service.detect = 0;
    service.buttons = MK_RBUTTON;
    drag->SetQuickDrag(1);
    EXPECT_EQ(drag->DoDragDrop(), DROPEFFECT_COPY) << "a quick drag starts at once";
    EXPECT_EQ(service.dropButtons, MK_LBUTTON | MK_RBUTTON);
    EXPECT_EQ(service.cancelButtons, MK_LBUTTON | MK_RBUTTON);
    CDataTransfer::SetActive(&m_clipboard);
}

// Runs the clipboard peer (a second host process); returns its exit status and output.
std::pair<int, std::string> RunPeer(const std::filesystem::path& folder, const std::string& args) {
    const std::string command =
        std::string(CLAVENOR_CLIPBOARD_PEER) + " '" + folder.string() + "' " + args;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

class CrossProcess : public ClipboardCommands {
protected:
    CrossProcess() { CDataTransfer::SetActive(&m_shared); }
    ~CrossProcess() override { CDataTransfer::SetActive(&m_clipboard); }

    TempFolder m_folder;
    CSharedDataTransfer m_shared{m_folder / "clipboard"};
};

TEST_F(CrossProcess, MusicCopiedInOneHostIsPastedInAnother) {
    ASSERT_EQ(RunPeer(m_shared.GetFolder(), "copy 5").first, 0);
    Held<CCPaste> paste;
    ASSERT_EQ(paste->Apply(m_to.get()), 1);
    ASSERT_EQ(paste->GetEvents().GetCount(), 5);
    EXPECT_STREQ(static_cast<const char*>(paste->GetInfo(1)), "peer 5");
    EXPECT_EQ(paste->GetEvents().GetTail()->GetTime()->GetSeconds(), 2.0f);
    Insert(paste.get(), m_to);
    EXPECT_EQ(m_to.measure->GetChildren()->GetCount(), 5);

    ASSERT_EQ(Copy(m_from.measure->GetChildren(), m_from), 1);
    EXPECT_EQ(
        RunPeer(m_shared.GetFolder(), "paste"),
        std::make_pair(0, std::string("notes=3 type=-2 info=origin first=0 last=2 error=-\n")));

    // Damaged music reaches the other host as an empty paste with a reason.
    auto damaged = std::make_shared<CTransferData>();
    damaged->SetFormat(MCClipFormat::MusicData,
                       std::make_shared<const CTransferData::Bytes>(CTransferData::Bytes{1, 0}));
    ASSERT_EQ(m_shared.SetClipboard(damaged), 1);
    const auto [status, output] = RunPeer(m_shared.GetFolder(), "paste");
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("notes=0"), std::string::npos) << output;
    EXPECT_NE(output.find("damaged"), std::string::npos) << output;
}

TEST_F(CrossProcess, APasteNeverSeesHalfOfACopyMadeAtTheSameTime) {
    auto writer = std::async(std::launch::async,
                             [&] { return RunPeer(m_shared.GetFolder(), "copy-loop 60").first; });
    int pastes = 0;
    while (writer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        Held<CCPaste> paste;
        ASSERT_EQ(paste->Apply(m_to.get()), 1);
        const int notes = paste->GetEvents().GetCount();
        EXPECT_TRUE(notes == 0 || notes == 200 || notes == 201) << notes;
        EXPECT_TRUE(paste->GetError().IsEmpty()) << paste->GetError();
        ++pastes;
    }
    EXPECT_EQ(writer.get(), 0);
    EXPECT_GT(pastes, 0);
}

// The paste fuzzer's harness over real copies, whole and cut short at every length, each way
// the harness can offer them.
TEST(PasteFuzzSeeds, RealCopiesAndTheirPrefixesKeepThePasteContract) {
    const int live = g_liveElements;
    for (std::vector<std::uint8_t> seed : fuzz::MakePasteSeeds()) {
        for (std::uint8_t how = 0; how < 16; ++how) {
            seed[0] = how;
            for (std::size_t size = 1; size <= seed.size(); size += 1 + size / 8) {
                fuzz::PasteOne(seed.data(), size);
            }
        }
    }
    EXPECT_EQ(g_liveElements, live);
}

// Inputs that once broke the paste fuzzer: each must keep the paste contract again. A leak
// of what they load is found by the leak checker of the sanitizer builds.
TEST(PasteFuzzSeeds, RegressionsKeepThePasteContract) {
    const int live = g_liveElements;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(CLAVENOR_SOURCE_DIR) / "tests/fuzz/paste-regressions")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << entry.path();
        fuzz::PasteOne(bytes.data(), bytes.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
    EXPECT_EQ(g_liveElements, live);
}

} // namespace
} // namespace clavenor::test
