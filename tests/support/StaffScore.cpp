#include "support/StaffScore.h"

#include <gtest/gtest.h>

namespace clavenor::test {

StaffScore::StaffScore(int staves, int measures) {
    m_pConductor = m_doc->GetConductor();
    m_pConductor->GetTrack(ECConductor::KindStaff, staves, 1);
    for (int s = m_pConductor->GetMaxTrackNumber(ECConductor::KindStaff); s < staves; ++s) {
        m_pConductor->GetTrack(ECConductor::KindStaff, s + 1, 1);
    }
    m_pTrack0 = m_pConductor->GetConductorStaff();
    auto* meter = new ECMeter(4, 4, ECMeter::TypeComputed);
    MCTime zero(0.0f);
    meter->SetTime(&zero);
    LinkOrFail(m_pTrack0->GetMeterEnv(), meter, 1);
    m_pConductor->GetMeasure(0, MCTime(4.0f * static_cast<float>(measures) - 0.5f), 1, 1);
    for (int s = 1; s <= staves; ++s) {
        for (int m = 1; m <= measures; ++m) {
            for (float beat : {0.0f, 2.0f}) {
                ECNote* note = NewNote(4.0f * static_cast<float>(m - 1) + beat);
                note->SetVoiceTrack(0, s);
                LinkOrFail(Bar(s, m), note, 1);
            }
        }
    }
}

ECMeasure* StaffScore::Bar(int staff, int number) const {
    return m_pConductor->GetMeasure(staff, number);
}

ECNote* StaffScore::NoteAt(int staff, int number, int beat) const {
    const MCTime time(4.0f * static_cast<float>(number - 1) + static_cast<float>(beat));
    for (ECBase* child : *Bar(staff, number)->GetChildren()) {
        if (child->GetEventId() == EventId::Note && *child->GetTime() == time) {
            return static_cast<ECNote*>(child);
        }
    }
    return nullptr;
}

int StaffScore::Run(CCBase* command) {
    command->SetSynchronous(1);
    MCCommandMgr::BeginUndo(m_doc.get(), CString("edit"));
    MCCommandMgr::FailureWatch watch(m_doc->GetCommandMgr());
    int dispatched = 0;
    try {
        dispatched = command->Apply(m_doc.get());
    } catch (...) {
        MCCommandMgr::EndUndo(m_doc.get());
        throw;
    }
    MCCommandMgr::EndUndo(m_doc.get());
    return dispatched != 0 && watch.GetFailures() == 0 ? 1 : 0;
}

void StaffScore::RunAndReplay(CCBase* command) {
    const std::vector<std::uint8_t> before = Bytes();
    ASSERT_EQ(Run(command), 1);
    const std::vector<std::uint8_t> after = Bytes();
    ASSERT_NE(after, before);
    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(), before);
    ASSERT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(Bytes(), after);
    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(), before);
}

} // namespace clavenor::test
