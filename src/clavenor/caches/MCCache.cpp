#include "clavenor/caches/MCCache.h"

#include <algorithm>
#include <new>

namespace clavenor {

MCCache::AuxRecord::~AuxRecord() = default;

MCCache::MCCache() = default;

MCCache::MCCache(std::int32_t size) : m_nSize(std::max(size, std::int32_t{0})) {}

MCCache::~MCCache() { DeleteCache(); }

void MCCache::SetSize(std::int32_t n) {
    if (n <= 0) {
        return;
    }
    const auto count = static_cast<std::size_t>(n);
    // Reserve everywhere before resizing anywhere: the resizes then cannot fail, so points of
    // different sizes never exist.
    for (POSITION pos = m_points.GetHeadPosition(); pos != nullptr;) {
        static_cast<CachePoint*>(m_points.GetNext(pos))->objects.reserve(count);
    }
    for (POSITION pos = m_points.GetHeadPosition(); pos != nullptr;) {
        static_cast<CachePoint*>(m_points.GetNext(pos))->objects.resize(count, nullptr);
    }
    m_nSize = n;
}

int MCCache::CacheObject(void* object, const MCTime& time, std::int32_t slot) {
    if (!IsValidTime(time) || !IsValidSlot(slot)) {
        return 0;
    }
    CachePoint* point = GetCachePointForTime(time);
    void* old = point->objects[static_cast<std::size_t>(slot)];
    if (point->time != time) {
        std::unique_ptr<CachePoint> added = GetNewCachePoint(time, point);
        POSITION pos = m_points.InsertAfter(m_currentPos, added.get());
        if (pos == nullptr) {
            throw std::bad_alloc();
        }
        added.release();
        SetCurrent(pos);
    } else if (old == object) {
        return 1;
    }
    m_pCurrent->objects[static_cast<std::size_t>(slot)] = object;
    UpdateListPointers(old, slot);
    return 1;
}

int MCCache::UncacheObject(void* object, const MCTime& time, std::int32_t slot) {
    if (!IsValidTime(time) || !IsValidSlot(slot) || m_points.IsEmpty()) {
        return 0;
    }
    const auto index = static_cast<std::size_t>(slot);
    CachePoint* point = GetCachePointForTime(time);
    if (point->time != time || point->objects[index] != object) {
        return 0;
    }

    POSITION prevPos = m_currentPos;
    m_points.GetPrev(prevPos);
    CachePoint* prev = prevPos != nullptr ? PointAt(m_points, prevPos) : nullptr;

    bool redundant = prev != nullptr;
    for (std::size_t i = 0; redundant && i < point->objects.size(); ++i) {
        redundant = i == index || point->objects[i] == prev->objects[i];
    }
    if (redundant) {
        m_points.RemoveAt(m_currentPos);
        ReleasePoint(point);
        SetCurrent(prevPos);
    } else {
        point->objects[index] = prev != nullptr ? prev->objects[index] : nullptr;
    }
    UpdateListPointers(object, slot);
    return 1;
}

int MCCache::ObjectIsCached(const void* object, std::int32_t slot) const {
    if (slot < -1 || slot >= m_nSize || m_points.IsEmpty()) {
        return 0;
    }
    for (POSITION pos = m_points.GetHeadPosition(); pos != nullptr;) {
        const auto& objects = static_cast<CachePoint*>(m_points.GetNext(pos))->objects;
        if (slot == -1 ? std::find(objects.begin(), objects.end(), object) != objects.end()
                       : objects[static_cast<std::size_t>(slot)] == object) {
            return 1;
        }
    }
    return 0;
}

void* MCCache::GetObjectForTime(const MCTime& time, std::int32_t slot) {
    if (!IsValidTime(time) || !IsValidSlot(slot)) {
        return nullptr;
    }
    return GetCachePointForTime(time)->objects[static_cast<std::size_t>(slot)];
}

void* MCCache::GetObjectBeforeTime(const MCTime& time, std::int32_t slot) {
    if (!IsValidTime(time) || !IsValidSlot(slot)) {
        return nullptr;
    }
    return GetCachePointBeforeTime(time)->objects[static_cast<std::size_t>(slot)];
}

void MCCache::GetObjectScope(const void* object, const MCTime& time, std::int32_t slot,
                             MCTime& start, MCTime& end) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    if (!IsValidTime(time) || !IsValidSlot(slot)) {
        return;
    }
    const auto index = static_cast<std::size_t>(slot);
    CachePoint* point = GetCachePointForTime(time);
    if (point->objects[index] != object) {
        return;
    }

    CachePoint* first = point;
    POSITION pos = m_currentPos;
    m_points.GetPrev(pos);
    while (pos != nullptr) {
        CachePoint* earlier = static_cast<CachePoint*>(m_points.GetPrev(pos));
        if (earlier->objects[index] != object) {
            break;
        }
        first = earlier;
    }
    start = first->time;

    end = MCTime::TimeMax();
    pos = m_currentPos;
    m_points.GetNext(pos);
    while (pos != nullptr) {
        CachePoint* later = static_cast<CachePoint*>(m_points.GetNext(pos));
        if (later->objects[index] != object) {
            end = later->time;
            break;
        }
    }
}

void MCCache::DeleteCache() {
    while (!m_points.IsEmpty()) {
        ReleasePoint(static_cast<CachePoint*>(m_points.RemoveTail()));
    }
    m_pCurrent = nullptr;
    m_currentPos = nullptr;
}

void MCCache::DeleteCacheAfter(const MCTime& time) {
    if (!IsValidTime(time) || GetCachePointForTime(time) == nullptr) {
        return;
    }
    while (m_points.GetTailPosition() != m_currentPos) {
        ReleasePoint(static_cast<CachePoint*>(m_points.RemoveTail()));
    }
}

int MCCache::SearchCondition(const MCTime& time, const CachePoint* point, POSITION) {
    return time >= point->time ? 1 : 0;
}

void MCCache::DeleteAuxPointer(AuxRecord* aux) { delete aux; }

MCCache::CachePoint* MCCache::GetCachePointForTime(const MCTime& time) {
    if (m_points.IsEmpty()) {
        std::unique_ptr<CachePoint> first = GetNewCachePoint(MCTime::TimeZero(), nullptr);
        if (first == nullptr) {
            return nullptr;
        }
        POSITION pos = m_points.AddHead(first.get());
        if (pos == nullptr) {
            throw std::bad_alloc();
        }
        first.release();
        SetCurrent(pos);
        return m_pCurrent;
    }
    if (time <= MCTime::TimeZero() || m_currentPos == nullptr) {
        SetCurrent(m_points.GetHeadPosition());
        if (time <= MCTime::TimeZero()) {
            return m_pCurrent;
        }
    }

    if (SearchCondition(time, m_pCurrent, m_currentPos) == 0) {
        // Backwards to the first point at or before `time`; when there is none (a time the
        // condition puts before the first point) the cursor stays.
        POSITION pos = m_currentPos;
        m_points.GetPrev(pos);
        while (pos != nullptr) {
            POSITION at = pos;
            CachePoint* point = static_cast<CachePoint*>(m_points.GetPrev(pos));
            if (SearchCondition(time, point, at) != 0) {
                SetCurrent(at);
                break;
            }
        }
    } else {
        POSITION pos = m_currentPos;
        m_points.GetNext(pos);
        while (pos != nullptr) {
            POSITION at = pos;
            CachePoint* point = static_cast<CachePoint*>(m_points.GetNext(pos));
            if (SearchCondition(time, point, at) == 0) {
                break;
            }
            SetCurrent(at);
        }
    }
    return m_pCurrent;
}

MCCache::CachePoint* MCCache::GetCachePointBeforeTime(const MCTime& time) {
    CachePoint* point = GetCachePointForTime(time);
    if (point != nullptr && !(point->time < time)) {
        POSITION pos = m_currentPos;
        m_points.GetPrev(pos);
        if (pos != nullptr) {
            return PointAt(m_points, pos);
        }
    }
    return point;
}

std::unique_ptr<MCCache::CachePoint> MCCache::GetNewCachePoint(const MCTime& time,
                                                               const CachePoint* copyFrom) {
    if (m_nSize < 1) {
        return nullptr;
    }
    auto point = std::make_unique<CachePoint>();
    point->time = time;
    if (copyFrom != nullptr) {
        point->objects = copyFrom->objects;
    }
    point->objects.resize(static_cast<std::size_t>(m_nSize), nullptr);
    return point;
}

void MCCache::CopyPoints(const MCCache& from) {
    m_nSize = from.m_nSize;
    for (POSITION pos = from.m_points.GetHeadPosition(); pos != nullptr;) {
        const CachePoint* point = PointAt(from.m_points, pos);
        from.m_points.GetNext(pos);
        std::unique_ptr<CachePoint> copy = GetNewCachePoint(point->time, point);
        if (m_points.AddTail(copy.get()) == nullptr) {
            throw std::bad_alloc();
        }
        copy.release();
    }
}

void MCCache::UpdateListPointers(const void* oldObject, std::int32_t slot) {
    if (m_pCurrent == nullptr || !IsValidSlot(slot)) {
        return;
    }
    const auto index = static_cast<std::size_t>(slot);
    void* object = m_pCurrent->objects[index];
    POSITION pos = m_currentPos;
    m_points.GetNext(pos);
    while (pos != nullptr) {
        CachePoint* point = static_cast<CachePoint*>(m_points.GetNext(pos));
        if (point->objects[index] != oldObject) {
            break;
        }
        point->objects[index] = object;
    }
}

void MCCache::SetCurrent(POSITION pos) {
    m_currentPos = pos;
    m_pCurrent = pos != nullptr ? PointAt(m_points, pos) : nullptr;
}

void MCCache::ReleasePoint(CachePoint* point) {
    if (point->aux != nullptr) {
        AuxRecord* aux = point->aux;
        point->aux = nullptr;
        DeleteAuxPointer(aux);
    }
    delete point;
}

} // namespace clavenor
