#include "clavenor/caches/MCGroup.h"

#include "clavenor/framework/CArchive.h"

#include <utility>
#include <vector>

namespace clavenor {

namespace {

constexpr int Ids = 256;
constexpr int GrowBy = 5;
constexpr int IdlessVersion = 3;

bool Within(const tag_group& e, int first, int last) {
    return first <= e.GetFirst() && e.GetLast() <= last;
}

void WriteTable(CArchive& ar, const MCGroup::Table& table) {
    ar.WriteCount(static_cast<std::uint32_t>(table.GetSize()));
    for (int i = 0; i < table.GetSize(); ++i) {
        ar << table[i].word;
    }
}

// Entry by entry, so that a count the stream cannot back fails at its end.
void ReadTable(CArchive& ar, MCGroup::Table& table) {
    table.RemoveAll();
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        tag_group entry;
        ar >> entry.word;
        table.Add(entry);
    }
}

} // namespace

int MCGroup::Grow(Table& table) {
    const int at = table.GetSize();
    table.SetSize(at + GrowBy);
    return at;
}

int MCGroup::FindUsed(const Table& table, int id) {
    for (int i = 0; i < table.GetSize(); ++i) {
        if (table[i].IsUsed() != 0 && table[i].GetId() == id) {
            return i;
        }
    }
    return -1;
}

int MCGroup::FindFree(const Table& table) {
    for (int i = 0; i < table.GetSize(); ++i) {
        if (table[i].IsUsed() == 0) {
            return i;
        }
    }
    return -1;
}

tag_group* MCGroup::FindGroup(int id) {
    return const_cast<tag_group*>(std::as_const(*this).FindGroup(id));
}

const tag_group* MCGroup::FindGroup(int id) const {
    for (const Table* table : {&m_primary, &m_secondary}) {
        const int at = FindUsed(*table, id);
        if (at >= 0) {
            return &(*table)[at];
        }
    }
    return nullptr;
}

void MCGroup::Fill(tag_group& entry, int first, int last, int kind) {
    // The id is taken before the entry counts as in use.
    const int id = GetNextAvailableID();
    entry.SetFirst(first);
    entry.SetLast(last);
    entry.SetKind(kind);
    entry.SetId(id);
    entry.SetUsed(1);
}

void MCGroup::UpdateFrom(Table& table, int index, int delta) {
    for (int i = index + 1; i < table.GetSize(); ++i) {
        tag_group& e = table[i];
        if (e.IsUsed() != 0) {
            e.SetFirst(e.GetFirst() + delta);
            e.SetLast(e.GetLast() + delta);
        }
    }
}

void MCGroup::CleanTable(Table& table) {
    for (int i = table.GetSize() - 1; i >= 0; --i) {
        if (table[i].IsUsed() == 0) {
            table.RemoveAt(i);
        }
    }
    // Exchange sort of neighbours, swapping only when the left one starts later: stable.
    for (int end = table.GetSize() - 1; end > 0; --end) {
        for (int i = 0; i < end; ++i) {
            if (table[i].GetFirst() > table[i + 1].GetFirst()) {
                std::swap(table[i], table[i + 1]);
            }
        }
    }
}

int MCGroup::GetNextAvailableID() const {
    bool taken[Ids] = {};
    for (const Table* table : {&m_primary, &m_secondary}) {
        for (int i = 0; i < table->GetSize(); ++i) {
            if ((*table)[i].IsUsed() != 0) {
                taken[(*table)[i].GetId()] = true;
            }
        }
    }
    for (int id = 0; id < Ids; ++id) {
        if (!taken[id]) {
            return id;
        }
    }
    return 0;
}

bool MCGroup::InsertTrackInto(Table& table, int track, int kind) {
    for (int i = 0; i < table.GetSize(); ++i) {
        tag_group& e = table[i];
        if (e.IsUsed() == 0) {
            Fill(e, track, track, kind);
            return false;
        }
        if (e.GetFirst() == track) {
            tag_group placeholder;
            Fill(placeholder, track, track, kind);
            table.InsertAt(i, placeholder);
            UpdateFrom(table, i, 1);
            return false;
        }
        if (e.GetFirst() < track && track <= e.GetLast()) {
            e.SetLast(e.GetLast() + 1);
            UpdateFrom(table, i, 1);
            return kind != tag_group::KindPlaceholder;
        }
    }
    const int at = Grow(table);
    Fill(table[at], track, track, kind);
    return false;
}

void MCGroup::InsertTrack(int track, int kind) {
    CleanTable(m_primary);
    CleanTable(m_secondary);
    const bool widened = InsertTrackInto(m_primary, track, kind);
    // A track that joins a real group joins its nested group too; otherwise it stands alone
    // in the secondary table.
    InsertTrackInto(m_secondary, track, widened ? kind : tag_group::KindPlaceholder);
}

void MCGroup::RemoveTrack(int track) {
    CleanTable(m_primary);
    CleanTable(m_secondary);
    for (Table* table : {&m_primary, &m_secondary}) {
        for (int i = 0; i < table->GetSize(); ++i) {
            tag_group& e = (*table)[i];
            if (e.IsUsed() == 0) {
                continue;
            }
            if (e.GetFirst() < track && track <= e.GetLast()) {
                e.SetLast(e.GetLast() - 1);
                UpdateFrom(*table, i, -1);
                break;
            }
            if (e.GetFirst() == track) {
                UpdateFrom(*table, i, -1);
                if (e.GetLast() != track) {
                    e.SetLast(e.GetLast() - 1);
                } else {
                    e.SetUsed(0);
                }
                break;
            }
        }
    }
}

int MCGroup::Relation(const Table& table, int first, int last) {
    bool grouped = false;
    for (int i = 0; i < table.GetSize(); ++i) {
        const tag_group& e = table[i];
        const bool before = e.GetFirst() < first && e.GetLast() < first;
        const bool after = e.GetFirst() > last && e.GetLast() > last;
        if (e.IsUsed() != 0 && !before && !after && e.GetKind() != tag_group::KindPlaceholder) {
            grouped = true;
        }
    }
    if (!grouped) {
        return 4;
    }
    bool inside = false;
    for (int i = 0; i < table.GetSize(); ++i) {
        const tag_group& e = table[i];
        if (e.IsUsed() == 0) {
            continue;
        }
        const int f = e.GetFirst();
        const int l = e.GetLast();
        if ((first < f && l <= last) || (first <= f && l < last)) {
            inside = true;
        } else if ((f < first && l >= last) || (f <= first && l > last)) {
            return 0;
        } else if (f == first && l == last) {
            return 3;
        } else if ((f < first && first <= l) || (f <= first && first < l) ||
                   (f < last && last <= l) || (f <= last && last < l)) {
            return 2;
        }
    }
    return inside ? 1 : -1;
}

int MCGroup::GroupTracks(int first, int last, std::uint8_t kind, int& id) {
    if (last < first) {
        return 0;
    }
    switch (Relation(m_primary, first, last)) {
    case 4:
        return GroupPrimary(first, last, kind, id);
    case 1:
        return kind != 1 ? GroupPrimary(first, last, kind, id) : 0;
    case 0:
        return GroupSecondary(first, last, kind, id);
    case 3:
        return kind == 1 ? GroupSecondary(first, last, kind, id) : 0;
    default:
        return 0;
    }
}

int MCGroup::GroupPrimary(int first, int last, int kind, int& id) {
    for (int i = 0; i < m_primary.GetSize(); ++i) {
        tag_group& e = m_primary[i];
        if (e.IsUsed() != 0 && Within(e, first, last)) {
            if (e.GetKind() != tag_group::KindPlaceholder) {
                PromoteToSecondary(e.GetFirst(), e.GetLast(), e.GetKind(), e.GetId());
            }
            e.SetUsed(0);
        }
    }
    const int at = FindFree(m_primary);
    if (at >= 0) {
        Fill(m_primary[at], first, last, kind);
        id = m_primary[at].GetId();
    }
    return 1;
}

int MCGroup::GroupSecondary(int first, int last, int kind, int& id) {
    const int relation = Relation(m_secondary, first, last);
    if (relation != 4 && relation != 1) {
        return 0;
    }
    for (int i = 0; i < m_secondary.GetSize(); ++i) {
        tag_group& e = m_secondary[i];
        if (e.IsUsed() != 0 && Within(e, first, last)) {
            e.SetUsed(0);
        }
    }
    const int at = FindFree(m_secondary);
    if (at >= 0) {
        Fill(m_secondary[at], first, last, kind);
        id = m_secondary[at].GetId();
    }
    return 1;
}

void MCGroup::PromoteToSecondary(int first, int last, int kind, int id) {
    int at = FindFree(m_secondary);
    if (at < 0) {
        at = Grow(m_secondary);
    }
    tag_group& e = m_secondary[at];
    e.SetFirst(first);
    e.SetLast(last);
    e.SetKind(kind);
    e.SetId(id);
    e.SetUsed(1);
}

int MCGroup::RemoveGroup(int id) {
    const int at = FindUsed(m_primary, id);
    if (at >= 0) {
        const int first = m_primary[at].GetFirst();
        const int last = m_primary[at].GetLast();
        std::vector<int> nested;
        for (int i = 0; i < m_secondary.GetSize(); ++i) {
            const tag_group& e = m_secondary[i];
            if (e.IsUsed() != 0 && e.GetKind() != tag_group::KindPlaceholder &&
                Within(e, first, last)) {
                nested.push_back(e.GetId());
            }
        }
        for (int nestedId : nested) {
            RemoveSecondaryGroup(nestedId);
        }
        RemovePrimaryGroup(id);
        return 1;
    }
    if (FindUsed(m_secondary, id) >= 0) {
        RemoveSecondaryGroup(id);
        return 1;
    }
    return 0;
}

void MCGroup::RemovePrimaryGroup(int id) {
    const int at = FindUsed(m_primary, id);
    if (at < 0) {
        return;
    }
    const int first = m_primary[at].GetFirst();
    const int last = m_primary[at].GetLast();
    m_primary[at].SetUsed(0);
    // No primary entry starts inside the freed range, so each track gets a placeholder of
    // its own without moving any other entry.
    CleanTable(m_primary);
    for (int track = first; track <= last; ++track) {
        const int free = Grow(m_primary);
        Fill(m_primary[free], track, track, tag_group::KindPlaceholder);
        CleanTable(m_primary);
    }
}

void MCGroup::RemoveSecondaryGroup(int id) {
    const int at = FindUsed(m_secondary, id);
    if (at >= 0) {
        m_secondary[at].SetUsed(0);
    }
    CleanTable(m_primary);
    CleanTable(m_secondary);
}

void MCGroup::RemoveAll() {
    for (Table* table : {&m_primary, &m_secondary}) {
        for (int i = 0; i < table->GetSize(); ++i) {
            (*table)[i].SetUsed(0);
        }
    }
}

int MCGroup::GetGroupInfo(int id, int& first, int& last, int& kind) const {
    const tag_group* e = FindGroup(id);
    if (e == nullptr) {
        return 0;
    }
    first = e->GetFirst();
    last = e->GetLast();
    kind = e->GetKind();
    return 1;
}

void MCGroup::SetBarEntireGroup(int id, int flag) {
    if (tag_group* e = FindGroup(id)) {
        e->SetBarEntire(flag & 1);
    }
}

int MCGroup::IsBarEntireGroup(int id) const {
    const tag_group* e = FindGroup(id);
    return e != nullptr ? e->IsBarEntire() : 0;
}

void MCGroup::Serialize(CArchive& ar, std::int32_t version) {
    if (ar.IsStoring()) {
        WriteTable(ar, m_primary);
        WriteTable(ar, m_secondary);
        return;
    }
    ReadTable(ar, m_primary);
    ReadTable(ar, m_secondary);
    if (version >= IdlessVersion) {
        return;
    }
    const int primaries = m_primary.GetSize();
    for (int i = 0; i < primaries; ++i) {
        m_primary[i].SetBarEntire(1);
        m_primary[i].SetId(i % Ids);
    }
    for (int i = 0; i < m_secondary.GetSize(); ++i) {
        m_secondary[i].SetBarEntire(1);
        m_secondary[i].SetId((primaries + i) % Ids);
    }
}

} // namespace clavenor
