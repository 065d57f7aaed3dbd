#pragma once

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CObject.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"
#include "clavenor/plugins/CPluginData.h"

namespace clavenor::test {

/// Sequence numbers handed to watched elements as they are destroyed.
int NextDeath();

/// An element that counts its live instances, reports when it is destroyed, and has an event
/// id of the test's choice (not archived), so that one class plays notes, chords and beams.
template <class Base>
class Watched : public Base {
public:
    Watched() { ++s_nLive; }
    Watched(const Watched& other) : Base(other), m_nId(other.m_nId) { ++s_nLive; }
    Watched& operator=(const Watched& other) {
        Base::operator=(other);
        return *this;
    }
    ~Watched() override {
        --s_nLive;
        if (m_pSlot != nullptr) {
            *m_pSlot = NextDeath();
        }
    }
    int GetEventId() const override { return m_nId; }
    void Watch(int* slot) { m_pSlot = slot; }

    static inline int s_nLive = 0;
    int m_nId = 0;

protected:
    void Init(int id, float time) {
        m_nId = id;
        MCTime t(time);
        this->SetTime(&t);
    }

private:
    int* m_pSlot = nullptr;
};

class TLeaf : public Watched<ECWithTime> {
    DECLARE_SERIAL(TLeaf)
public:
    explicit TLeaf(float time = 0.0f, int eventId = 37) { Init(eventId, time); }
};

class TNode : public Watched<ECWithTimeChild> {
    DECLARE_SERIAL(TNode)
public:
    explicit TNode(int eventId = 12, float time = 0.0f) { Init(eventId, time); }
};

/// An archivable attached data record, and one whose class is not archivable.
class TData : public DCBase {
    DECLARE_SERIAL(TData)
};
class TTransient : public DCBase {
    DECLARE_DYNCREATE(TTransient)
};

/// Registers `cls` for (viewCode, eventType) with the data registry while it lives.
class ScopedDataPlugin {
public:
    ScopedDataPlugin(const CRuntimeClass* cls, int viewCode, int eventType)
        : m_plugin(cls, viewCode, eventType) {
        CPluginData::AddPlugin(&m_plugin);
    }
    ~ScopedDataPlugin() { CPluginData::RemovePlugin(&m_plugin); }

private:
    CPluginData m_plugin;
};

/// Makes a performance of document version `version` the active one while it lives.
class ScopedVersion {
public:
    explicit ScopedVersion(std::int32_t version) {
        m_document.SetVersion(version);
        m_previous = ECPerformance::SetActivePerformance(&m_document);
    }
    ~ScopedVersion() { ECPerformance::SetActivePerformance(m_previous); }

private:
    ECPerformance m_document;
    ECPerformance* m_previous = nullptr;
};

} // namespace clavenor::test
