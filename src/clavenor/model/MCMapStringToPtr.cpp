#include "clavenor/model/MCMapStringToPtr.h"

#include <cstring>

namespace clavenor {

IMPLEMENT_DYNAMIC(MCMapStringToPtr, CObject)

namespace {

// The key as the map keeps it: at most MaxKeyLength bytes.
std::size_t KeyLength(const char* key) { return strnlen(key, MCMapStringToPtr::MaxKeyLength); }

POSITION BeforeStart() { return reinterpret_cast<POSITION>(static_cast<std::intptr_t>(-1)); }

} // namespace

MCMapStringToPtr::MCMapStringToPtr(int) {}

MCMapStringToPtr::~MCMapStringToPtr() { RemoveAll(0); }

std::uint32_t MCMapStringToPtr::HashKey(const char* key) {
    std::uint32_t h = 0;
    if (key == nullptr) {
        return h;
    }
    const std::size_t length = KeyLength(key);
    for (std::size_t i = 0; i < length; ++i) {
        h = h * 33u +
            static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(key[i])));
    }
    return h;
}

MCMapStringToPtr::Assoc* MCMapStringToPtr::Find(const char* key, std::uint32_t& bucket) const {
    if (key == nullptr) {
        key = "";
    }
    bucket = HashKey(key) % HashSize;
    const std::size_t length = KeyLength(key);
    for (Assoc* a = m_buckets[bucket]; a != nullptr; a = a->next) {
        if (std::strlen(a->key) == length && std::memcmp(a->key, key, length) == 0) {
            return a;
        }
    }
    return nullptr;
}

int MCMapStringToPtr::Lookup(const char* key, void*& value) const {
    std::uint32_t bucket = 0;
    if (Assoc* a = Find(key, bucket)) {
        value = a->value;
        return 1;
    }
    return 0;
}

void*& MCMapStringToPtr::operator[](const char* key) {
    std::uint32_t bucket = 0;
    if (Assoc* a = Find(key, bucket)) {
        return a->value;
    }
    auto* a = new Assoc{};
    if (key != nullptr) {
        std::memcpy(a->key, key, KeyLength(key));
    }
    a->bucket = bucket;
    a->next = m_buckets[bucket];
    m_buckets[bucket] = a;
    ++m_nCount;
    return a->value;
}

int MCMapStringToPtr::RemoveKey(const char* key, int destroy) {
    std::uint32_t bucket = 0;
    Assoc* target = Find(key, bucket);
    if (target == nullptr) {
        return 0;
    }
    Assoc** link = &m_buckets[bucket];
    while (*link != target) {
        link = &(*link)->next;
    }
    *link = target->next;
    --m_nCount;
    void* value = target->value;
    delete target;
    if (destroy != 0) {
        delete static_cast<CObject*>(value);
    }
    return 1;
}

void MCMapStringToPtr::RemoveAll(int destroy) {
    for (Assoc*& head : m_buckets) {
        while (head != nullptr) {
            Assoc* a = head;
            head = a->next;
            void* value = a->value;
            delete a;
            if (destroy != 0) {
                delete static_cast<CObject*>(value);
            }
        }
    }
    m_nCount = 0;
}

MCMapStringToPtr::Assoc* MCMapStringToPtr::FirstFrom(std::uint32_t bucket) const {
    for (; bucket < static_cast<std::uint32_t>(HashSize); ++bucket) {
        if (m_buckets[bucket] != nullptr) {
            return m_buckets[bucket];
        }
    }
    return nullptr;
}

POSITION MCMapStringToPtr::GetStartPosition() const {
    return m_nCount == 0 ? nullptr : BeforeStart();
}

void MCMapStringToPtr::GetNextAssoc(POSITION& pos, CString& key, void*& value) const {
    Assoc* a = pos == BeforeStart() ? FirstFrom(0) : reinterpret_cast<Assoc*>(pos);
    if (a == nullptr) {
        pos = nullptr;
        return;
    }
    key = CString(a->key);
    value = a->value;
    Assoc* next = a->next != nullptr ? a->next : FirstFrom(a->bucket + 1);
    pos = reinterpret_cast<POSITION>(next);
}

} // namespace clavenor
