#include "clavenor/strings/MCScreenMetrics.h"

namespace clavenor {

namespace {

MCScreenMetrics s_metrics;

} // namespace

MCScreenMetrics MCScreenMetrics::Get() { return s_metrics; }

void MCScreenMetrics::Set(const MCScreenMetrics& metrics) { s_metrics = metrics; }

} // namespace clavenor
