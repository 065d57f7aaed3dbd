#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using namespace clavenor;
using test::Bytes;
using test::X;
using Cause = CArchiveException::Cause;

namespace clavenor::test {

// A non-element archivable object: a byte and a link to any object (not owned).
class TBlob : public CObject {
    DECLARE_SERIAL(TBlob)
public:
    explicit TBlob(std::uint8_t value = 0, CObject* link = nullptr)
        : m_value(value), m_link(link) {}
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << m_value << m_link;
        } else {
            ar >> m_value >> m_link;
        }
    }
    std::uint8_t m_value;
    CObject* m_link;
};

IMPLEMENT_SERIAL(TBlob, CObject, 1)

// Host classes with the longest name a class record may hold, and with one character more.
class TBlobNamedWithTheLongestNameThatAClassRecordHoldsXXXXXXXXXXXXXX : public TBlob {
    DECLARE_SERIAL(TBlobNamedWithTheLongestNameThatAClassRecordHoldsXXXXXXXXXXXXXX)
};
class TBlobNamedWithOneCharacterMoreThanAClassRecordHoldsXXXXXXXXXXXXX : public TBlob {
    DECLARE_SERIAL(TBlobNamedWithOneCharacterMoreThanAClassRecordHoldsXXXXXXXXXXXXX)
};
using TLongestName = TBlobNamedWithTheLongestNameThatAClassRecordHoldsXXXXXXXXXXXXXX;
using TTooLongName = TBlobNamedWithOneCharacterMoreThanAClassRecordHoldsXXXXXXXXXXXXX;
IMPLEMENT_SERIAL(TBlobNamedWithTheLongestNameThatAClassRecordHoldsXXXXXXXXXXXXXX, TBlob, 1)
IMPLEMENT_SERIAL(TBlobNamedWithOneCharacterMoreThanAClassRecordHoldsXXXXXXXXXXXXX, TBlob, 1)

} // namespace clavenor::test

using test::TBlob;

namespace {

// Reads `count` objects from `bytes`, the last against `required`. Elements belong to the
// archive; anything else is deleted here.
Cause ReadObjects(const Bytes& bytes, const CRuntimeClass* required, int count = 1) {
    std::vector<CObject*> owned;
    const Cause cause = test::LoadCause(bytes, [&](CArchive& ar) {
        for (int i = 1; i <= count; ++i) {
            CObject* o = ar.ReadObject(i == count ? required : nullptr);
            if (o != nullptr && !o->IsKindOf(RUNTIME_CLASS(ECBase)) &&
                std::find(owned.begin(), owned.end(), o) == owned.end()) {
                owned.push_back(o);
            }
        }
    });
    for (CObject* o : owned) {
        delete o;
    }
    return cause;
}

Cause Throws(const std::function<void()>& f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

} // namespace

TEST(CArchivePrimitives, LittleEndianValues) {
    const Bytes bytes = test::Store([](CArchive& ar) {
        ar << std::uint8_t{0xAB} << std::int8_t{-2} << std::uint16_t{0x1234} << std::int16_t{-2}
           << std::uint32_t{0x89ABCDEF} << std::int32_t{-2} << 1.0f << -2.0;
    });
    EXPECT_EQ(bytes, X("AB FE 3412 FEFF EFCDAB89 FEFFFFFF 0000803F 00000000000000C0"));
    test::Load(bytes, [](CArchive& ar) {
        std::int16_t d = 0;
        double h = 0;
        ar.Skip(4);
        ar >> d;
        ar.Skip(12);
        ar >> h;
        EXPECT_EQ(d, -2);
        EXPECT_EQ(h, -2.0);
        EXPECT_EQ(Throws([&] { ar.Skip(1); }), CArchiveException::endOfFile);
    });
}

TEST(CArchiveFormats, CountsAndStringLengthsAtTheirBoundariesAndAbsurdLengthsFailFast) {
    const Bytes counts = test::Store([](CArchive& ar) {
        for (std::uint32_t n : {0u, 0xFFFEu, 0xFFFFu, 0x12345678u}) {
            ar.WriteCount(n);
        }
    });
    EXPECT_EQ(counts, X("0000 FEFF FFFF FFFF0000 FFFF 78563412"));
    test::Load(counts, [](CArchive& ar) {
        for (std::uint32_t n : {0u, 0xFFFEu, 0xFFFFu, 0x12345678u}) {
            EXPECT_EQ(ar.ReadCount(), n);
        }
    });

    const std::pair<std::size_t, const char*> strings[] = {{0, "00"},
                                                           {254, "FE"},
                                                           {255, "FF FF00"},
                                                           {0xFFFD, "FF FDFF"},
                                                           {0xFFFE, "FF FFFF FEFF0000"},
                                                           {0x10000, "FF FFFF 00000100"}};
    for (auto [length, header] : strings) {
        std::string text(length, '\0');
        const Bytes bytes = test::Store([&](CArchive& ar) { ar << CString(text); });
        const Bytes expected = X(header);
        ASSERT_EQ(bytes.size(), expected.size() + length);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin())) << length;
        test::Load(bytes, [&](CArchive& ar) { EXPECT_EQ(ar.ReadString(), text); });
    }
    auto readString = [](CArchive& ar) { ar.ReadString(); };
    EXPECT_EQ(test::LoadCause(X("FF FEFF 'a"), readString), CArchiveException::genericException);
    test::ResetLargestAllocation();
    EXPECT_EQ(test::LoadCause(X("FF FFFF F0FFFFFF 'abc"), readString),
              CArchiveException::endOfFile);
    for (const char* list : {"@MCObList/1", "@MCEventList/1"}) {
        EXPECT_EQ(ReadObjects(X(std::string(list) + " FFFF FFFFFFFF 0000"), nullptr),
                  CArchiveException::endOfFile);
    }
    EXPECT_LT(test::LargestAllocation(), 1u << 20);
}

TEST(CArchiveObjects, NewClassClassIndexBackReferenceAndNull) {
    TBlob b(2), a(1, &b), self(7);
    self.m_link = &self;
    const Bytes bytes =
        test::Store([&](CArchive& ar) { ar << &a << &b << &a << nullptr << &self; });
    // Class 1, a 2, b 3 (nested in a); b, a, null; self 4 refers to itself.
    EXPECT_EQ(bytes, X("@TBlob/1 01 0180 02 0000  0300 0200 0000  0180 07 0400"));
    test::Load(bytes, [](CArchive& ar) {
        CObject* o[5];
        for (CObject*& p : o) {
            ar >> p;
        }
        auto* a = static_cast<TBlob*>(o[0]);
        EXPECT_TRUE(a->IsKindOf(RUNTIME_CLASS(TBlob)));
        EXPECT_EQ(a->m_value, 1);
        EXPECT_EQ(a->m_link, o[1]);
        EXPECT_EQ(o[2], o[0]);
        EXPECT_EQ(o[3], nullptr);
        EXPECT_EQ(static_cast<TBlob*>(o[4])->m_link, o[4]);
        EXPECT_EQ(ar.GetMapCount(), 4u);
        for (int i : {0, 1, 4}) {
            delete o[i];
        }
    });
}

// Elements carry the index a storing archive gave them, so that finding one costs no table
// lookup. Marks left by another archive, open meanwhile or closed before, must change nothing
// in what an archive writes: every reference is new or a back-reference exactly as in an
// archive that writes alone.
TEST(CArchiveObjects, ElementsWrittenByOtherArchivesTooAreReferredToByTheirOwnIndexes) {
    ECWithTime first, shared, other, late;
    const Bytes alone = test::Store(
        [&](CArchive& ar) { ar << &first << &shared << &first << &shared << &late << &late; });
    const Bytes interleaved = test::Store([&](CArchive& ar) {
        ar << &first << &shared;
        // Gives `first` an index that this archive has not reached yet, `shared` one that
        // this archive gave to `first`.
        test::Store([&](CArchive& inner) {
            inner << &shared << &other << &first;
            EXPECT_TRUE(inner.IsObjectMapped(&first));
            EXPECT_FALSE(inner.IsObjectMapped(&late));
        });
        EXPECT_TRUE(ar.IsObjectMapped(&first));
        EXPECT_FALSE(ar.IsObjectMapped(&other));
        ar << &first << &shared << &late << &late;
    });
    EXPECT_EQ(interleaved, alone);

    // `late` now carries index 4 of the archive above; here index 4 goes to `other`.
    const Bytes after = test::Store([&](CArchive& ar) {
        ar << &shared << &first << &other;
        EXPECT_FALSE(ar.IsObjectMapped(&late));
        ar << &late << &late;
    });
    ECWithTime a, b, c, d;
    EXPECT_EQ(after, test::Store([&](CArchive& ar) { ar << &a << &b << &c << &d << &d; }));
}

TEST(CArchiveObjects, BigIndexesPastSevenFFE) {
    // Class 1, objects 2..0x8000; then class 0x8001 and lists 0x8002 and 0x8003.
    std::vector<TBlob> blobs(0x7FFF);
    MCObList late1, late2;
    const Bytes bytes = test::Store([&](CArchive& ar) {
        for (TBlob& b : blobs) {
            ar << &b;
        }
        ar << &late1 << &late2 << &blobs[0x7FFC] << &blobs[0x7FFD] << &late2;
    });
    const Bytes tail =
        X("@MCObList/1 0000  FF7F 01800080 0000  FE7F  FF7F FF7F0000  FF7F 03800000");
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), bytes.rbegin()));

    test::Load(bytes, [&](CArchive& ar) {
        std::vector<CObject*> o(blobs.size() + 5);
        const std::int64_t before = test::Allocations();
        for (CObject*& p : o) {
            ar >> p;
        }
        // One block per object and a few for the archive's tables: loading stays linear.
        EXPECT_LT(test::Allocations() - before, static_cast<std::int64_t>(o.size() + 100));
        const std::size_t n = blobs.size();
        EXPECT_TRUE(o[n + 1]->IsKindOf(RUNTIME_CLASS(MCObList)));
        EXPECT_NE(o[n + 1], o[n]);
        EXPECT_EQ(o[n + 2], o[0x7FFC]);
        EXPECT_EQ(o[n + 3], o[0x7FFD]);
        EXPECT_EQ(o[n + 4], o[n + 1]);
        for (std::size_t i = 0; i < n + 2; ++i) {
            delete o[i];
        }
    });
}

TEST(CArchiveObjects, SchemasClassesAndReferences) {
    const std::string blob = "@TBlob/1 01 0000 ";
    const std::tuple<std::string, const CRuntimeClass*, Cause> cases[] = {
        {"@ECWithTime/5 00 00 0000803F 0100", nullptr, CArchiveException::none},
        {"@MCDataArray/1 00 00", nullptr, CArchiveException::badSchema},
        {"@MCDataArray/0 00 00", nullptr, CArchiveException::none},
        {"@TBlob/2 00 0000", nullptr, CArchiveException::badSchema},
        {"@NoSuchClass", nullptr, CArchiveException::badClass},
        {"@TBLOB/1", nullptr, CArchiveException::badClass},
        {"FFFF 0200 0000", nullptr, CArchiveException::badClass},
        {"FFFF 0200 4000 '" + std::string(64, 'A'), nullptr, CArchiveException::badClass},
        {"@MCMapStringToPtr/65535", nullptr, CArchiveException::badClass},
        {"@TTransient/65535 01000000 01000000 0000", nullptr, CArchiveException::badClass},
        {"@ECWithTime 00 00 0000803F 0100", RUNTIME_CLASS(TBlob), CArchiveException::badClass},
        {"@ECWithTime 00 00 0000803F 0100", RUNTIME_CLASS(ECWithChild),
         CArchiveException::badClass},
        {blob + "0200", RUNTIME_CLASS(ECBase), CArchiveException::badClass},
        {blob + "0200", RUNTIME_CLASS(TBlob), CArchiveException::none},
        {blob + "0300", nullptr, CArchiveException::badIndex},
        {blob + "0100", nullptr, CArchiveException::badIndex}, // index 1 is a class
        {blob + "0280", nullptr, CArchiveException::badIndex}, // index 2 is an object
        {blob + "0080", nullptr, CArchiveException::badIndex},
        {blob + "FF7F 63000000", nullptr, CArchiveException::badIndex},
        {blob + "FF7F 63000080", nullptr, CArchiveException::badIndex},
    };
    const std::int64_t live = test::LiveAllocations();
    for (const auto& [stream, required, cause] : cases) {
        EXPECT_EQ(ReadObjects(X(stream), required, stream.starts_with(blob) ? 2 : 1), cause)
            << stream;
    }
    EXPECT_EQ(test::LiveAllocations(), live);
}

// Regression: a host class whose name the reader refuses was written without complaint.
TEST(CArchiveObjects, TheWriterRefusesTheClassNamesTheReaderRefuses) {
    static_assert(sizeof("TBlobNamedWithTheLongestNameThatAClassRecordHoldsXXXXXXXXXXXXXX") == 64);
    test::TLongestName longest;
    test::TTooLongName tooLong;
    const Bytes bytes = test::Store([&](CArchive& ar) { ar << &longest; });
    EXPECT_EQ(ReadObjects(bytes, test::TLongestName::GetThisClass()), CArchiveException::none);
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    EXPECT_EQ(Throws([&] { ar << &tooLong; }), CArchiveException::badClass);
    ar.Close();
    EXPECT_EQ(file.GetLength(), 0u) << "nothing of the refused record is written";
}

TEST(CArchiveObjects, NestingDeeperThanTheLimitIsRefused) {
    auto chain = [](int depth) {
        auto* root = new ECWithChild;
        root->Ref();
        for (ECBase* at = root; --depth > 0;) {
            auto* next = new ECWithChild;
            EXPECT_EQ(at->AddChild(next, 0), 1);
            at = next;
        }
        return root;
    };
    auto release = [](ECBase* root) {
        root->RemoveChildren(1);
        root->Unref(1);
    };
    std::string nested = "@ECWithChild 02 0100";
    for (int i = 0; i < CArchive::MaxObjectDepth; ++i) {
        nested += " 0180 02 0100";
    }
    const Bytes tooDeepStream = X(nested + " 0000");
    const std::int64_t live = test::LiveAllocations();

    // Records nest as deep as the limit; a graph that deep is refused when read back, since
    // one element with data below it would take it past the limit when written again.
    ECWithChild* deepest = chain(CArchive::MaxObjectDepth);
    EXPECT_EQ(ReadObjects(test::Store([&](CArchive& ar) { ar << deepest; }), nullptr),
              CArchiveException::genericException);
    release(deepest);
    ECWithChild* loadable = chain(MCEventList::MaxLoadedHeight);
    test::Load(test::Store([&](CArchive& ar) { ar << loadable; }),
               [](CArchive& ar) { (void)ar.ReadObject(RUNTIME_CLASS(ECBase)); });
    release(loadable);
    ECWithChild* tooDeep = chain(CArchive::MaxObjectDepth + 1);
    EXPECT_EQ(Throws([&] { test::Store([&](CArchive& ar) { ar << tooDeep; }); }),
              CArchiveException::genericException);
    release(tooDeep);
    EXPECT_EQ(ReadObjects(tooDeepStream, nullptr), CArchiveException::genericException);
    EXPECT_EQ(test::LiveAllocations(), live);
}

TEST(CArchiveObjects, WrongDirectionAndClosedArchivesThrow) {
    CMemFile file, source(Bytes(64, 0));
    CArchive out(&file, CArchive::store), in(&source, CArchive::load);
    std::uint8_t b = 0;
    TBlob blob;
    for (const auto& read : std::vector<std::function<void()>>{
             [&] { out >> b; }, [&] { out.ReadCount(); }, [&] { out.ReadString(); },
             [&] { (void)out.ReadObject(nullptr); }, [&] { out.Skip(1); }}) {
        EXPECT_EQ(Throws(read), CArchiveException::writeOnly);
    }
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { in << b; }, [&] { in.WriteCount(1); }, [&] { in.WriteString("x"); },
             [&] { in.WriteObject(&blob); }}) {
        EXPECT_EQ(Throws(write), CArchiveException::readOnly);
    }
    out.Close();
    in.Close();
    EXPECT_EQ(Throws([&] { out << b; }), CArchiveException::genericException);
    EXPECT_EQ(Throws([&] { in >> b; }), CArchiveException::genericException);
}

TEST(CArchiveObjects, FailuresSayWhereAndInWhichClass) {
    // Each stream follows three bytes of a host's own framing, so offsets count from the
    // start of the file, not of the archive.
    struct Case {
        const char* stream;
        Cause cause;
        std::uint64_t offset;
        const char* className;
    };
    const Case cases[] = {
        // The time's float is cut short: the offset is the end of the data.
        {"@ECWithTime 00 00 0000", CArchiveException::endOfFile, 23, "ECWithTime"},
        // A child reference to nothing: the offset is where that reference starts.
        {"@ECWithChild 02 0100 0900", CArchiveException::badIndex, 23, "ECWithChild"},
        // Refused by the children list itself, which knows no offset: the archive adds it.
        {"@ECWithChild 02 0100 0200", CArchiveException::badIndex, 25, "ECWithChild"},
        // No object record is open yet.
        {"@NoSuchClass", CArchiveException::badClass, 20, ""},
    };
    for (const Case& c : cases) {
        Bytes bytes = X("AA BB CC");
        const Bytes stream = X(c.stream);
        bytes.insert(bytes.end(), stream.begin(), stream.end());
        CMemFile file(bytes.data(), bytes.size());
        file.Seek(3, CFile::begin);
        try {
            CArchive ar(&file, CArchive::load);
            (void)ar.ReadObject(nullptr);
            ADD_FAILURE() << c.stream << " loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, c.cause) << c.stream;
            EXPECT_EQ(e.GetOffset(), c.offset) << c.stream;
            EXPECT_EQ(e.GetClassName(), c.className) << c.stream;
            const std::string what = e.what();
            EXPECT_NE(what.find("at offset " + std::to_string(c.offset)), std::string::npos)
                << what;
            if (*c.className != '\0') {
                EXPECT_NE(what.find(std::string(" in ") + c.className), what.npos) << what;
            } else {
                EXPECT_EQ(what.find(" in "), what.npos) << what;
            }
            EXPECT_NE(what.find(e.GetDetail()), std::string::npos) << what;
        }
    }
}

TEST(CArchiveObjects, StoringFailuresNameTheClassAndAnExceptionMadeByHandKnowsNoPlace) {
    auto* root = new ECWithChild;
    root->Ref();
    ECBase* at = root;
    for (int i = 0; i < CArchive::MaxObjectDepth; ++i) {
        auto* next = new ECWithChild;
        ASSERT_EQ(at->AddChild(next, 0), 1);
        at = next;
    }
    try {
        test::Store([&](CArchive& ar) { ar << root; });
        ADD_FAILURE() << "stored";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetClassName(), "ECWithChild");
        EXPECT_NE(e.GetOffset(), CArchiveException::UnknownOffset);
    }
    root->RemoveChildren(1);
    root->Unref(1);

    const CArchiveException plain(CArchiveException::badSchema, "schema 9");
    EXPECT_EQ(plain.GetOffset(), CArchiveException::UnknownOffset);
    EXPECT_EQ(plain.GetClassName(), "");
    EXPECT_STREQ(plain.what(), "archive error: badSchema: schema 9");
}
