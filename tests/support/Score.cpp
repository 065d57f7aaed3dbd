#include "support/Score.h"

#include <memory>

namespace clavenor::test {

Score::Score() {
    LinkOrFail(m_doc->GetChildren()->GetHead(), m_staff, 1);
    MCTime zero(0.0f);
    m_measure->SetTime(&zero);
    LinkOrFail(m_staff, m_measure, 1);
}

ECNote* NewNote(float time) { return new Counted<ECNote>(MCTime(time), MCTime(1.0f)); }

ECMeasure* NewBar(float time, int notes) {
    auto* bar = new Counted<ECMeasure>;
    MCTime at(time);
    bar->SetTime(&at);
    for (int i = 0; i < notes; ++i) {
        LinkOrFail(bar, NewNote(time + static_cast<float>(i)), 1);
    }
    return bar;
}

ECChord* NewChord(float time, int notes) {
    auto* chord = new Counted<ECChord>;
    MCTime at(time);
    chord->SetTime(&at);
    for (int i = 0; i < notes; ++i) {
        LinkOrFail(chord, NewNote(time), 1);
    }
    return chord;
}

void Edit(ECPerformance* document, CCBase* command, const char* name) {
    std::unique_ptr<CCBase> owned(command);
    command->SetSynchronous(1);
    MCCommandMgr::BeginUndo(document, CString(name));
    try {
        if (owned.release()->Apply(document) == 0) {
            ADD_FAILURE() << "the manager refused to run " << name;
        }
    } catch (...) {
        MCCommandMgr::EndUndo(document);
        throw;
    }
    MCCommandMgr::EndUndo(document);
}

void Score::Run(CCBase* command, const char* name) { Edit(m_doc.get(), command, name); }

} // namespace clavenor::test
