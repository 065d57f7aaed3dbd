#pragma once

// The whole public interface of the library. Every header below also compiles on its own.

#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CArchiveException.h"
#include "clavenor/framework/CArray.h"
#include "clavenor/framework/CFile.h"
#include "clavenor/framework/CIniProfileStore.h"
#include "clavenor/framework/CMemFile.h"
#include "clavenor/framework/CMemProfileStore.h"
#include "clavenor/framework/CObject.h"
#include "clavenor/framework/CProfileStore.h"
#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/POSITION.h"

#include "clavenor/model/BPTTime.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/ECTimedBase.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"
#include "clavenor/model/MCBitArray.h"
#include "clavenor/model/MCDataArray.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCFuncList.h"
#include "clavenor/model/MCListTemplate.h"
#include "clavenor/model/MCMapStringToPtr.h"
#include "clavenor/model/MCObList.h"
#include "clavenor/model/MCPtrList.h"
#include "clavenor/model/MCTime.h"
#include "clavenor/model/MCVoiceTrack.h"

#include "clavenor/actions/ACBase.h"
#include "clavenor/actions/ACFindFirstEvent.h"
#include "clavenor/actions/ACTypeFilterBase.h"

#include "clavenor/elements/ECPerformance.h"

#include "clavenor/fields/FCBase.h"
#include "clavenor/fields/FCInt.h"

#include "clavenor/plugins/CPlugin.h"
#include "clavenor/plugins/CPluginData.h"

#include "clavenor/strings/MCLogFont.h"
#include "clavenor/strings/MCScreenMetrics.h"
#include "clavenor/strings/MCWindowPlacement.h"
#include "clavenor/strings/Preferences.h"

#include "clavenor/caches/MCCache.h"
