#pragma once

// Breaks each rule of scripts/check-layers once; the test expects every one reported.
#include "../elements/ECPerformance.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/detail/TextScan.h"
