#pragma once

#include "clavenor/model/ECWithChild.h"

namespace clavenor {

class ECPerformance;
class ECStaff;

/// The single child of a performance that carries the document's timeline and its tracks
/// (event id 15; allowed parent: the performance).
class ECConductor : public ECWithChild {
    DECLARE_SERIAL(ECConductor)

public:
    ECConductor() = default;
    ~ECConductor() override;

    /// Copies only the ECWithChild part.
    ECConductor& operator=(const ECConductor& other);

    /// The ECWithChild record, then an object reference to the conductor staff. A loaded
    /// reference is kept only when it names one of the conductor's children.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The nearest ancestor with event id 44, remembered while it stays a parent.
    ECPerformance* GetPerformance();

    /// The conductor staff, when one is known (a child of this conductor); else null.
    ECStaff* GetConductorStaff();

private:
    ECPerformance* m_pPerformance = nullptr;
    ECStaff* m_pConductorStaff = nullptr;
};

} // namespace clavenor
