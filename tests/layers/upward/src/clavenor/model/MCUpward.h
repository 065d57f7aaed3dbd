#pragma once

// Breaks each rule of scripts/check-layers once; the test expects every one reported.
#include "clavenor/elements/ECPerformance.h"
#include "../elements/ECPerformance.h"
#include "clavenor/framework/detail/TextScan.h"
