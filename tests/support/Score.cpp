#include "support/Score.h"

namespace clavenor::test {

Score::Score() {
    m_doc->GetChildren()->GetHead()->AddChild(m_staff, 1);
    MCTime zero(0.0f);
    m_measure->SetTime(&zero);
    m_staff->AddChild(m_measure, 1);
}

ECNote* Score::Note(float time) { return new Counted<ECNote>(MCTime(time), MCTime(1.0f)); }

ECMeasure* Score::Bar(float time, int notes) {
    auto* bar = new Counted<ECMeasure>;
    MCTime at(time);
    bar->SetTime(&at);
    for (int i = 0; i < notes; ++i) {
        bar->AddChild(Note(time + static_cast<float>(i)), 1);
    }
    return bar;
}

ECChord* Score::Chord(float time, int notes) {
    auto* chord = new Counted<ECChord>;
    MCTime at(time);
    chord->SetTime(&at);
    for (int i = 0; i < notes; ++i) {
        chord->AddChild(Note(time), 1);
    }
    return chord;
}

void Score::Run(CCBase* command, const char* name) {
    command->SetSynchronous(1);
    MCCommandMgr::BeginUndo(m_doc.get(), CString(name));
    command->Apply(m_doc.get());
    MCCommandMgr::EndUndo(m_doc.get());
}

} // namespace clavenor::test
