// "instance <class>": every instance of one of the driver's classes, property by
// property, as the driver reports it.
#pragma once
#include <string>

#include "session/session.h"

// ZYRDSM_CONFIGINFO, ZYRDSM_PERFINFO, DSM_QueryLBPolicy, DSM_QueryLBPolicy_V2 or
// DSM_QueryUniqueId, named in any case; any other name prints nothing. A class that
// cannot be read prints nothing either. Always 0.
int dump_instances(Session& session, const std::string& class_name);
