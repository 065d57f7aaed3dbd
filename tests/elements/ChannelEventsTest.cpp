// Controller, program, pressure, parameter and system events, and the envelope kinds that
// collect them: what each is, its fields, copies and equality, and its record at every
// document version.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace clavenor {
namespace {

using test::Bytes;
using test::X;

using test::AtSeconds;
using test::ParentTypes;

// Every class: its event id, whether it is made by id, and its parents in order.
TEST(ChannelEvents, IdsFactoriesAndParents) {
    struct Case {
        std::function<ECBase*()> make;
        int id;
        bool byId;
        std::vector<int> parents;
    };
    const Case cases[] = {
        {[] { return new ECEnvPoint; }, 23, false, {22}},
        {[] { return new ECEnvelope; }, 22, false, {17, 55, 61, 71}},
        {[] { return new ECControllerEnv; }, 19, false, {55, 61}},
        {[] { return new ECPitchBendEnv; }, 46, false, {55}},
        {[] { return new ECChanPressureEnv; }, 11, false, {55}},
        {[] { return new ECPolyPressureEnv; }, 48, false, {55}},
        {[] { return new ECPatchEnv; }, 42, false, {55}},
        {[] { return new ECRPNEnv; }, 52, false, {55}},
        {[] { return new ECNRPNEnv; }, 38, false, {55, 61}},
        {[] { return new ECControlChange; }, 18, true, {19}},
        {[] { return new ECBankMSB; }, 4, false, {55}},
        {[] { return new ECBankLSB; }, 3, false, {55}},
        {[] { return new ECPan; }, 41, true, {22, 19}},
        {[] { return new ECChannelMode; }, 9, true, {55}},
        {[] { return new ECProgramChange; }, 49, true, {42}},
        {[] { return new ECPitchBend; }, 45, true, {46}},
        {[] { return new ECChannelPressure; }, 10, true, {11}},
        {[] { return new ECPolyPressure; }, 47, true, {48}},
        {[] { return new ECRPNPoint; }, 53, false, {52}},
        {[] { return new ECNRPNPoint; }, 39, false, {38}},
        {[] { return new ECSystemMessage; }, 56, true, {17}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECBase> e(c.make());
        SCOPED_TRACE(e->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(e->GetEventId(), c.id);
        EXPECT_EQ(ParentTypes(e.get()), c.parents);
        EXPECT_EQ(GetEventRuntimeClass(c.id), c.byId ? e->GetRuntimeClass() : nullptr);
    }
}

// The record of each class exactly, and a second save of the loaded copy is the same.
TEST(ChannelEvents, RecordsAtTheCurrentVersion) {
    const std::string point = "00 00 0000803F FF7F ";             // flags, time 1.0, voice/track
    const std::string envelope = "00 00 FFFF7FFF FF7F ";          // no children, unset time
    const std::string tail = " 00 00 03000000 00 CDCC4C3D 0000 "; // names, flags, delta, groups
    auto control = AtSeconds(new ECControlChange(7), 1.0f);
    control->SetValue(100.0f);
    auto mode = AtSeconds(new ECChannelMode, 1.0f);
    auto program = AtSeconds(new ECProgramChange, 1.0f);
    program->SetBankMSB(3);
    program->SetValue(5.0f);
    auto system = AtSeconds(new ECSystemMessage(3), 1.0f);
    system->SetMessageName(CString("x"));
    auto controllers = new ECControllerEnv;
    controllers->SetControllerType(7);
    controllers->Set14Bit(1);
    auto poly = new ECPolyPressureEnv;
    poly->SetKey(60);
    auto rpn = new ECRPNEnv;
    rpn->SetRPNType(1, 2);
    auto nrpn = new ECNRPNEnv;
    nrpn->Set14Bit(0);
    const std::pair<ECBase*, std::string> cases[] = {
        {control, "@ECControlChange " + point + "00 0000C842 07"},
        {mode, "@ECChannelMode " + point + "00 FFFF7F7F 00 05"},
        {program, "@ECProgramChange " + point + "00 0000A040"},
        {AtSeconds(new ECPolyPressure(60), 1.0f), "@ECPolyPressure " + point + "00 FFFF7F7F 3C"},
        {AtSeconds(new ECRPNPoint(1, 2), 1.0f), "@ECRPNPoint " + point + "00 FFFF7F7F 01 02"},
        {system, "@ECSystemMessage " + point + "03 0178"},
        {controllers, "@ECControllerEnv " + envelope + "0000FE42 00000000 00FC7F46" + tail + "87"},
        {new ECPitchBendEnv, "@ECPitchBendEnv " + envelope + "00000046 00000000 00FC7F46" + tail},
        {new ECChanPressureEnv,
         "@ECChanPressureEnv " + envelope + "00000000 00000000 0000FE42" + tail},
        {poly, "@ECPolyPressureEnv " + envelope + "00000000 00000000 0000FE42" + tail + "3C"},
        {new ECPatchEnv, "@ECPatchEnv " + envelope + "00000000 FFFF7FFF FFFF7F7F" + tail},
        {rpn, "@ECRPNEnv " + envelope + "00000000 00000000 00FC7F46" + tail + "01"},
        {nrpn, "@ECNRPNEnv " + envelope + "00000000 00000000 0000FE42" + tail + "00"},
    };
    for (const auto& [e, expected] : cases) {
        test::ExpectRecord(e, expected);
    }
}

// Older documents: without the point part before version 3, without the controller number
// before 3, the channel mode without anything past its time before 4, the system message
// without its name before 3.
TEST(ChannelEvents, OlderLayouts) {
    auto load = [](std::int32_t version, const std::string& stream) {
        test::ScopedVersion scoped(version);
        ECBase* e = nullptr;
        test::Load(X(stream + " A5"), [&](CArchive& ar) {
            e = static_cast<ECBase*>(ar.ReadObject(nullptr));
            e->Ref();
            std::uint8_t marker = 0;
            ar >> marker;
            EXPECT_EQ(marker, 0xA5) << "the reader stops at the record's end";
        });
        return std::unique_ptr<ECBase, void (*)(ECBase*)>(e, [](ECBase* p) { p->Unref(1); });
    };
    auto control = load(2, "@ECControlChange 00 00 0000803F FF7F");
    auto* cc = static_cast<ECControlChange*>(control.get());
    EXPECT_EQ(cc->GetControllerNum(), 0);
    EXPECT_EQ(cc->GetStyle(), ECEnvPoint::StyleLinear);
    EXPECT_EQ(cc->IsAnchorHead(), 1);
    EXPECT_EQ(static_cast<ECControlChange*>(
                  load(3, "@ECControlChange 00 00 0000803F FF7F 00 00000000 07").get())
                  ->GetControllerNum(),
              7);
    auto mode = load(3, "@ECChannelMode 00 00 0000803F FF7F");
    auto* cm = static_cast<ECChannelMode*>(mode.get());
    EXPECT_EQ(cm->GetChannelModeType(), 5);
    EXPECT_EQ(cm->GetValue(), std::numeric_limits<float>::max());
    EXPECT_EQ(cm->GetStyle(), ECEnvPoint::StyleStep) << "no point part at all";
    auto badMode = load(4, "@ECChannelMode 00 00 0000803F FF7F 00 00000000 00 09");
    EXPECT_EQ(static_cast<ECChannelMode*>(badMode.get())->GetChannelModeType(), 5);
    auto system = load(2, "@ECSystemMessage 00 00 0000803F FF7F 03");
    EXPECT_EQ(static_cast<ECSystemMessage*>(system.get())->GetMessageType(), 3);
    EXPECT_TRUE(static_cast<ECSystemMessage*>(system.get())->GetMessageName().IsEmpty());
    auto controllers = load(4, "@ECControllerEnv 00 00 FFFF7FFF FF7F 00000000 00000000 "
                               "0000FE42 00 00 03000000 00 CDCC4C3D 0000 FA");
    EXPECT_EQ(static_cast<ECControllerEnv*>(controllers.get())->GetControllerType(), 0)
        << "type 122 is no controller";
    EXPECT_EQ(static_cast<ECControllerEnv*>(controllers.get())->Is14Bit(), 1);
}

// Copies take the stream's fields; equality compares only those.
TEST(ChannelEvents, CopiesAndEqualityConcernTheStream) {
    ECControlChange a(7), b(7), c(8);
    a.SetValue(1.0f);
    test::SetSeconds(&b, 3.0f);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    c = a;
    EXPECT_EQ(c.GetControllerNum(), 7);
    EXPECT_EQ(c.GetValue(), 1.0f);

    ECChannelMode mode;
    mode.SetChannelModeType(8);
    EXPECT_EQ(mode.GetChannelModeType(), 8);
    mode.SetChannelModeType(9);
    EXPECT_EQ(mode.GetChannelModeType(), 8);

    ECSystemMessage source(3), target(9);
    source.SetMessageName(CString("reset"));
    target = source;
    EXPECT_EQ(target.GetMessageType(), 9);
    EXPECT_EQ(target.GetMessageName(), "reset");
    EXPECT_EQ(target.Copy(&source), &target);
    EXPECT_EQ(ECSystemMessage(source).GetMessageType(), 0) << "the type is never copied";

    ECPolyPressure key(60);
    test::SetSeconds(&key, 2.0f);
    ECPolyPressure copied(key);
    EXPECT_EQ(copied.GetKey(), 60);
    EXPECT_EQ(*copied.GetTime(), MCTime(2.0f));
    EXPECT_EQ(ECRPNPoint(1, 2), ECRPNPoint(1, 2));
    EXPECT_NE(ECNRPNPoint(1, 2), ECNRPNPoint(2, 1));
    ECProgramChange p, q;
    q.SetBankLSB(1);
    EXPECT_NE(p, q);
}

TEST(EnvelopeKinds, FieldsAndTheirLimits) {
    ECControllerEnv controllers;
    for (const auto& [type, stored, defaultValue] : {std::tuple{7, 7, 127.0f},
                                                     {10, 10, 64.0f},
                                                     {8, 8, 64.0f},
                                                     {11, 11, 127.0f},
                                                     {64, 64, 0.0f},
                                                     {200, 64, 0.0f},
                                                     {-1, 64, 0.0f}}) {
        controllers.SetControllerType(type);
        EXPECT_EQ(controllers.GetControllerType(), stored) << type;
        EXPECT_EQ(controllers.GetDefaultValue(), defaultValue) << type;
    }
    controllers.Set14Bit(3);
    EXPECT_EQ(controllers.Is14Bit(), 1);
    EXPECT_EQ(controllers.GetUpperLimit(), 16383.0f);
    EXPECT_EQ(controllers.GetControllerType(), 64);
    ECControllerEnv copy(controllers);
    EXPECT_EQ(copy.GetControllerType(), 64);
    EXPECT_EQ(copy.Is14Bit(), 1);

    ECPolyPressureEnv poly;
    poly.SetKey(60);
    poly.SetKey(128);
    EXPECT_EQ(poly.GetKey(), 60);

    ECRPNEnv rpn;
    rpn.SetRPNType(1, 2);
    rpn.SetRPNType(1, 128);
    int first = 0, second = 0;
    rpn.GetRPNType(first, second);
    EXPECT_EQ(std::pair(first, second), std::pair(1, 2));
    rpn.Set14Bit(0x100);
    EXPECT_EQ(rpn.Is14Bit(), 0) << "the low 8 bits";
    EXPECT_EQ(rpn.GetUpperLimit(), 127.0f);

    EXPECT_EQ(ECPatchEnv::MakePatchValue(1, 2, 3), 16643.0f);
    EXPECT_EQ(ECPatchEnv::GetBankMSB(16643.0f), 1);
    EXPECT_EQ(ECPatchEnv::GetBankLSB(16643.0f), 2);
    EXPECT_EQ(ECPatchEnv::GetProgram(16643.9f), 3);
    EXPECT_EQ(ECPatchEnv::GetProgram(std::nanf("")), 0);
    ECPatchEnv patches;
    patches.Ref();
    auto* change = AtSeconds(new ECProgramChange, 2.0f);
    change->SetValue(ECPatchEnv::MakePatchValue(5, 6, 7));
    ASSERT_EQ(patches.AddChild(change, 1), 1);
    std::uint32_t msb = 0, lsb = 0, program = 0;
    EXPECT_EQ(patches.GetPatch(MCTime(3.0f), msb, lsb, program), 1);
    EXPECT_EQ(std::tuple(msb, lsb, program), std::tuple(5u, 6u, 7u));
    patches.RemoveChildren(1);
}

} // namespace
} // namespace clavenor
