// A plug-in that answers the version handshake but cannot be initialised.
#include <clavenor/clavenor.h>

extern "C" unsigned GetPluginVersion() { return clavenor::CPlugin::InterfaceVersion; }
