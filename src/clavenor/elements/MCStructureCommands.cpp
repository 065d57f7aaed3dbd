#include "clavenor/elements/MCStructureCommands.h"

namespace clavenor {

MCStructureCommands::AddTrackFunc MCStructureCommands::s_pAddTrack = nullptr;
MCStructureCommands::AddChildFunc MCStructureCommands::s_pAddChild = nullptr;

void MCStructureCommands::Install(AddTrackFunc addTrack, AddChildFunc addChild) {
    s_pAddTrack = addTrack;
    s_pAddChild = addChild;
}

int MCStructureCommands::AddTrack(ECPerformance* performance, ECTrack* track, int position) {
    if (performance == nullptr || track == nullptr || s_pAddTrack == nullptr) {
        return 0;
    }
    return s_pAddTrack(performance, track, position);
}

int MCStructureCommands::AddChild(ECPerformance* performance, ECBase* child, ECBase* parent) {
    if (performance == nullptr || child == nullptr || parent == nullptr || s_pAddChild == nullptr) {
        return 0;
    }
    return s_pAddChild(performance, child, parent);
}

} // namespace clavenor
