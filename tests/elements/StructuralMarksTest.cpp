// Barlines, brackets, frames, flow-control marks and repeats: fields, names, copies,
// equality and records at every version; frames and their embedded items.

#include "fuzz/FuzzDocuments.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace clavenor {
namespace {

using test::Bytes;
using test::X;

TEST(StructuralMarks, IdsParentsAndNames) {
    struct Case {
        std::function<ECBase*()> make;
        int id;
        int parent;
        const char* name;
    };
    const Case cases[] = {
        {[] { return new ECBarline; }, 5, 16, "Barline"},
        {[] { return new ECBrac(3); }, 8, 16, "Brace/Bracket"},
        {[] { return new ECFrame(1); }, 25, 44, "Frame"},
        {[] { return new ECFlowControl; }, 24, 17, ""},
        {[] { return new ECFlowControl(9); }, 24, 17, "D.C. al Segno e poi la Coda"},
        {[] { return new ECRepeat(4); }, 50, 32, "Repeat"},
        {[] { return new ECMeasure; }, 32, 55, "Layout"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECBase> e(c.make());
        SCOPED_TRACE(c.name);
        EXPECT_EQ(e->GetEventId(), c.id);
        CArray<int, int> types;
        EXPECT_EQ(e->GetParentTypes(types), 1);
        EXPECT_EQ(types.GetSize(), 1);
        EXPECT_EQ(types[0], c.parent);
        EXPECT_EQ(GetEventString(e.get()), c.name);
        std::unique_ptr<ECBase> made(CreateEvent(c.id));
        ASSERT_NE(made, nullptr);
    }
    const char* flows[] = {"",
                           "",
                           "",
                           "",
                           "",
                           "Fine",
                           "D.C.",
                           "D.C. al Fine",
                           "D.C. al Segno",
                           "D.C. al Segno e poi la Coda",
                           "D.S.",
                           "D.S. al Fine",
                           "D.S. al Coda",
                           "",
                           "",
                           ""};
    for (int type = 0; type < 16; ++type) {
        EXPECT_EQ(GetFlowString(static_cast<std::uint8_t>(type)), flows[type]) << type;
    }
    EXPECT_EQ(GetFlowString(255), "");
    EXPECT_EQ(GetRepeatString(0), "Repeat");
    EXPECT_EQ(GetEventString(EventId::FlowControl), "Repeat");
    EXPECT_EQ(GetEventString(EventId::Repeat), "Repeat Pattern");
}

TEST(StructuralMarks, FieldsCopiesAndEquality) {
    ECBarline barline;
    barline.SetBarlineType(0xFF);
    barline.SetBarlinePos(6);
    EXPECT_EQ(barline.GetBarlineType(), 0x3F);
    EXPECT_EQ(barline.GetBarlinePos(), 2);
    ECBarline other;
    other.Copy(&barline);
    EXPECT_EQ(other, barline);
    other.SetBarlinePos(1);
    EXPECT_NE(other, barline);

    ECBrac brac(0x85);
    EXPECT_EQ(brac.GetBracType(), 5);
    EXPECT_EQ(brac.GetPrimary(), 0);
    brac.SetGroupID(7, 1);
    EXPECT_EQ(brac.GetGroupID(), 7);
    EXPECT_EQ(brac.GetPrimary(), 1);
    brac.SetBracType(0x7E);
    EXPECT_EQ(brac.GetPrimary(), 1) << "the type keeps the primary flag";
    ECBrac copy(brac);
    EXPECT_EQ(copy, brac);
    copy.SetGroupID(8, 1);
    EXPECT_NE(copy, brac);
    copy.Copy(&brac);
    EXPECT_EQ(copy, brac);

    ECFlowControl ending(ECFlowControl::TypeEnding);
    EXPECT_EQ(ending.GetEndingNumber(), 1);
    EXPECT_EQ(ending.GetSequenceNumber(), 0);
    EXPECT_EQ(ending.GetText(), "");
    ending.SetEndingNumber(3);
    ending.SetText(CString("1st and 3rd"));
    ECFlowControl fine(5);
    EXPECT_EQ(fine.GetText(), "Fine");
    fine.Copy(&ending);
    EXPECT_EQ(fine, ending);
    EXPECT_EQ(fine.GetText(), "1st and 3rd");
    fine.SetText(CString("1st and 3rD"));
    EXPECT_NE(fine, ending) << "texts compare exactly";

    ECRepeat repeat(3);
    ECRepeat again;
    again.Copy(&repeat);
    EXPECT_EQ(again, repeat);
    again.SetRepeatType(4);
    EXPECT_NE(again, repeat);
}

TEST(StructuralMarks, FramesOwnTheirItemAndShareItWithNoOne) {
    ECFrame frame(0x83);
    EXPECT_EQ(frame.GetFrameType(), 3);
    ECFrame empty;
    empty.SetFrameType(3);
    EXPECT_EQ(empty, frame) << "neither has an item";
    auto* item = new COleClientItem("\x01picture");
    EXPECT_EQ(frame.SetClientItem(item), 1);
    EXPECT_NE(empty, frame);
    ECFrame copy(frame);
    EXPECT_EQ(copy.GetClientItem(), nullptr);
    EXPECT_EQ(copy.SetClientItem(item), 0) << "the item has its owner";
    empty.Copy(&frame);
    EXPECT_EQ(empty.GetClientItem(), nullptr);
    EXPECT_EQ(frame.SetClientItem(new COleClientItem("another")), 1) << "the first goes";
    EXPECT_EQ(frame.GetClientItem()->GetNativeData(), "another");
}

TEST(StructuralMarks, RecordsAtTheCurrentVersion) {
    const std::string timed = "00 00 0000803F FF7F ";
    auto* barline = new ECBarline;
    barline->SetBarlineType(5);
    barline->SetBarlinePos(2);
    auto* brac = new ECBrac(5);
    brac->SetGroupID(9, 1);
    auto* frame = new ECFrame(2);
    frame->SetClientItem(new COleClientItem("ab"));
    auto* ending = new ECFlowControl(ECFlowControl::TypeEnding);
    ending->SetEndingNumber(3);
    ending->SetText(CString("not archived"));
    auto* sequence = new ECFlowControl(ECFlowControl::TypeSequence);
    sequence->SetSequenceNumber(-2);
    const std::pair<ECBase*, std::string> cases[] = {
        {barline, "@ECBarline 00 85"},
        {brac, "@ECBrac 00 85"},
        {frame, "@ECFrame " + timed + "02 @COleClientItem 02 6162"},
        {new ECFrame, "@ECFrame " + timed + "00 0000"},
        {ending, "@ECFlowControl " + timed + "02 03000000"},
        {sequence, "@ECFlowControl " + timed + "0E FEFFFFFF"},
        {new ECFlowControl(5), "@ECFlowControl " + timed + "05"},
        {new ECRepeat(7), "@ECRepeat " + timed + "07"},
    };
    for (const auto& [e, expected] : cases) {
        test::ExpectRecord(test::AtSeconds(e, 1.0f), expected, [](CObject* back) {
            if (auto* loaded = dynamic_cast<ECBrac*>(back)) {
                EXPECT_EQ(loaded->GetGroupID(), 0) << "not archived";
                EXPECT_EQ(loaded->GetPrimary(), 1);
            }
            if (auto* loaded = dynamic_cast<ECFlowControl*>(back)) {
                EXPECT_EQ(loaded->GetText(), GetFlowString(loaded->GetFlowControlType()));
            }
        });
    }
}

TEST(StructuralMarks, OlderRecordsAndHostileOnes) {
    const std::string timed = "00 00 0000803F FF7F ";
    {
        test::ScopedVersion version(0);
        // Version 0: times are bare floats, an ending's number one byte.
        test::Load(X("@ECFlowControl 00 0000803F FF7F 02 03"), [](CArchive& ar) {
            ECFlowControl* ending = nullptr;
            ar >> ending;
            EXPECT_EQ(ending->GetEndingNumber(), 3);
        });
    }
    {
        test::ScopedVersion version(2);
        test::Load(X("@ECBarline 00 FF 07"), [](CArchive& ar) {
            ECBarline* barline = nullptr;
            ar >> barline;
            EXPECT_EQ(barline->GetBarlineType(), 0x3F);
            EXPECT_EQ(barline->GetBarlinePos(), 3);
        });
        test::Load(X("@ECFlowControl " + timed + "02 04000000"), [](CArchive& ar) {
            ECFlowControl* ending = nullptr;
            ar >> ending;
            EXPECT_EQ(ending->GetEndingNumber(), 4);
        });
    }
    // One item in two frames would be deleted twice; an item of the wrong class, or cut
    // short, is refused too.
    const std::string frame = "@ECFrame " + timed + "00 ";
    EXPECT_EQ(test::LoadCause(X(frame + "@COleClientItem 01 61 " + "0180 " + timed + "00 0300"),
                              [](CArchive& ar) {
                                  ECFrame* first = nullptr;
                                  ECFrame* second = nullptr;
                                  ar >> first >> second;
                              }),
              CArchiveException::badIndex);
    EXPECT_EQ(test::LoadCause(X(frame + "@ECNote 00 00 0000803F FF7F 00 0000803F"),
                              [](CArchive& ar) {
                                  ECFrame* f = nullptr;
                                  ar >> f;
                              }),
              CArchiveException::badClass);
    EXPECT_EQ(test::LoadCause(X(frame + "@COleClientItem FF FFFF FFFFFF7F 61"),
                              [](CArchive& ar) {
                                  ECFrame* f = nullptr;
                                  ar >> f;
                              }),
              CArchiveException::endOfFile);
}

// A document written before measures kept their staff's cache: a staff of two measures of
// notes, a grace note, a chord, a rest and a lyric. It loads as it was and saves the same.
TEST(StructuralMarks, EarlierDocumentsOfMeasuresLoadAsTheyWere) {
    const Bytes bytes =
        X("020100FFFF02000B004543436F6E647563746F72020100FFFF0200070045435374616666020200FFFF020009"
          "0045434D656173757265020400FFFF0200060045434E6F7465020100FFFF02000B00454347726163654E6F74"
          "650000000000BEFF7F000000003E0000000000FF7F000000803FFFFF0200070045434C797269630000000000"
          "00FF7F00026C61000A0000000000000000FFFF02000700454343686F7264020200078000000000803FFF7F00"
          "0000003F078000000000803FFF7F000000003F000000803FFF7FFFFF02000600454352657374000000000040"
          "FF7F00000000001E00058002040007800201000980000000007840FF7F000000003E0000008040FF7F000000"
          "803F0B80000000008040FF7F00026C61000A00000000000000000D80020200078000000000A040FF7F000000"
          "003F078000000000A040FF7F000000003F000000A040FF7F118000000000C040FF7F00000080401E00000000"
          "0000FE7F8100000000000000FF7F");
    ECPerformance* document = fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
    EXPECT_EQ(fuzz::Save(document), bytes);
    auto* staff = static_cast<ECStaff*>(document->GetDescendant(EventId::Staff, -1));
    auto* measure = dynamic_cast<ECMeasure*>(staff->GetChildren()->GetTail());
    ASSERT_NE(measure, nullptr);
    EXPECT_EQ(measure->GetChildren()->GetCount(), 4);
    auto* key = new ECKey(1, 0, 0);
    test::SetSeconds(key, 4.0f);
    ASSERT_EQ(measure->AddChild(key, 1), 1);
    EXPECT_EQ(staff->GetKeyAtTime(MCTime(5.0f), 0), key);
    delete document;
    MCCommandMgr::OnIdle();
}

} // namespace
} // namespace clavenor
