#include "clavenor/model/ECTimedBase.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/detail/MCActiveVersion.h"

namespace clavenor {

template <class Base>
void ECTimedBase<Base>::SerializeTimed(CArchive& ar) {
    Base::Serialize(ar);
    if (ar.IsStoring()) {
        m_time.Serialize(ar, -1);
        ar << static_cast<std::uint16_t>(this->m_voiceTrack.GetValue());
        return;
    }
    m_time.Serialize(ar, MCActiveVersion::Get());
    std::uint16_t word = 0;
    ar >> word;
    this->m_voiceTrack.SetValue(word);
}

template class CLAVENOR_API ECTimedBase<ECBase>;
template class CLAVENOR_API ECTimedBase<ECWithChild>;

} // namespace clavenor
