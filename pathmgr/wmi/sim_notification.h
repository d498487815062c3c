// Event queries of the simulated provider: the events appended to the host file's
// event log after the subscription reach the sink as MPIO_EventEntry objects, each
// within 200 ms, on a delivery thread of the subscription's own, as WMI delivers
// them on threads of its own.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "simstack/state_file/sim_host.h"
#include "wmi/wmi_seam.h"

namespace wmi {

// Serves one stored event as an object of the provider; `log` keeps the event alive.
using EventObjectMaker = std::function<ObjectPtr(const std::shared_ptr<const void>& log, const simstack::Json& event)>;

// "SELECT * FROM MPIO_EventEntry" on ROOT\WMI; "faults"."notification" makes it fail.
HResult start_event_delivery(simstack::SimHost& host, const std::string& ns, const std::wstring& query,
                             std::shared_ptr<NotificationSink> sink, EventObjectMaker make_object,
                             std::unique_ptr<Subscription>& out);

}  // namespace wmi
