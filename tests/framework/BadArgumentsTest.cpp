// The platform layer given arguments a host can get wrong: each mistake gets the documented
// refusal or exception and leaves the object as it was, never touches memory it should not.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>

using namespace clavenor;
using test::Bytes;

namespace {

template <class F>
CArchiveException::Cause CauseOf(F f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

LRESULT Count(HWND, UINT, WPARAM, LPARAM) { return 1; }

} // namespace

TEST(BadArguments, NullBuffersAreRefusedWithAnArchiveException) {
    constexpr auto generic = CArchiveException::genericException;
    EXPECT_EQ(CauseOf([] { CMemFile file(nullptr, 10); }), generic);
    EXPECT_EQ(CMemFile(nullptr, 0).GetLength(), 0u);

    CMemFile file(Bytes{1, 2, 3});
    EXPECT_EQ(CauseOf([&] { file.Read(nullptr, 2); }), generic);
    EXPECT_EQ(CauseOf([&] { file.Write(nullptr, 2); }), generic);
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(file.GetLength(), 3u);

    EXPECT_EQ(CauseOf([] { CArchive ar(nullptr, CArchive::load); }), generic);
    CArchive in(&file, CArchive::load);
    EXPECT_EQ(CauseOf([&] { in.Read(nullptr, 1); }), generic);
    EXPECT_EQ(in.Read(nullptr, 0), 0u);
    CMemFile sink;
    CArchive out(&sink, CArchive::store);
    EXPECT_EQ(CauseOf([&] { out.Write(nullptr, 1); }), generic);
    out.Write(nullptr, 0);
    out.Close();
    EXPECT_EQ(sink.GetLength(), 0u);
}

TEST(BadArguments, NullNamesAndProceduresAreRefused) {
    EXPECT_EQ(CString(nullptr, 5), "");
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");

    const CRuntimeClass unnamed(nullptr, 1, nullptr, nullptr);
    const CRuntimeClass empty("", 1, nullptr, nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(""), nullptr);

    EXPECT_EQ(CMessageQueue::CreateHiddenWindow("NoProcedure", nullptr), nullptr);
    HWND window = CMessageQueue::CreateHiddenWindow(nullptr, &Count);
    EXPECT_EQ(CMessageQueue::SendMessage(window, 1, 0, 0), 1);
    CMessageQueue::DestroyWindow(window);
}

TEST(BadArguments, IndexesOutOfRangeNeverReachMemory) {
    CArray<int, int> array;
    array.Add(7);
    array.SetAt(-1, 1);
    array.SetAt(1, 1);
    array.InsertAt(-1, 1);
    array.RemoveAt(5);
    array.SetAtGrow(-3, 1);
    EXPECT_EQ(array.GetSize(), 1);
    EXPECT_EQ(array.GetAt(0), 7);
    EXPECT_EQ(array.GetAt(-1), 0);
    EXPECT_THROW(array.ElementAt(1), std::out_of_range);
    EXPECT_THROW(array[-1], std::out_of_range);
    const CArray<int, int>& constant = array;
    EXPECT_THROW(constant[1], std::out_of_range);
    array.SetSize(-4);
    EXPECT_TRUE(array.IsEmpty());
}

TEST(BadArguments, PositionsAndLengthsPastTheLimitsClampOrThrowBadAlloc) {
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    CMemFile file(Bytes{1, 2, 3});
    file.Seek(2, CFile::begin);
    const std::uint64_t far = file.Seek(most, CFile::current);
    EXPECT_GE(far, static_cast<std::uint64_t>(most / 2));
    EXPECT_EQ(file.Seek(std::numeric_limits<std::int64_t>::min(), CFile::current), 0u);
    EXPECT_EQ(file.Seek(-5, CFile::end), 0u);

    std::uint8_t byte = 9;
    file.Seek(most, CFile::begin);
    EXPECT_THROW(file.Write(&byte, 1), std::bad_alloc);
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_THROW(file.SetLength(std::numeric_limits<std::uint64_t>::max()), std::bad_alloc);
    EXPECT_EQ(file.GetLength(), 3u);

    // A negative buffer size would have been a huge one; the archive keeps a sane minimum.
    CArchive ar(&file, CArchive::store, 0);
    ar.Close();
}

TEST(BadArguments, WaitsOutsideTheirRangeAreBounded) {
    HWND window = CMessageQueue::CreateHiddenWindow("Waits", &Count);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(PumpMessages(std::chrono::milliseconds(-5)), 0);
    ASSERT_TRUE(CMessageQueue::PostMessage(window, 1, 0, 0));
    EXPECT_EQ(PumpMessages(std::chrono::milliseconds::max()), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    CMessageQueue::DestroyWindow(window);
}
