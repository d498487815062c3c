// The WMI browser's own connection: root\wmi of this or another computer, with
// another user's credentials when given.
#pragma once
#include <memory>

#include "browser/browser_context.h"
#include "browser/mpiolist_args.h"

// The services of the request's namespace, or null after the error report. The user
// name and password are wiped right after the connection attempt, whatever its outcome.
std::unique_ptr<wmi::Services> connect_namespace(BrowserContext& ctx, MpiolistRequest& request);
