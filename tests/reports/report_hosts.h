// Hand-written hosts for the report tests, one per family, with the edge cases the
// reports must get right.
#pragma once
#include "test_support.h"

// Family 6: device A (two paths: TPG state 16, an id of nine hex digits, 2^32-1
// reads), device B (its only path has no record), device D (TPG state 5), and a
// fourth disk C without a policy instance. Drives: the first match is a long name.
Json family6_report_host();
// Family 5: device A (FailOver, fail-back off, paths through two HBA ports), device B
// (RoundRobin) and a driver disk without paths; the first drive has an empty
// PNPDeviceID and matches every device.
Json family5_report_host();
