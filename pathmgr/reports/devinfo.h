#pragma once
#include "session/session.h"

// "devinfo": one line per multipath device.
int devinfo_list(Session& session);
