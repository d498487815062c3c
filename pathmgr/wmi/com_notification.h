// Event queries over COM: ExecNotificationQueryAsync with a VdsEventSink behind the
// unsecured apartment's stub, and CancelAsyncCall.
#pragma once
#include <windows.h>
#include <wbemidl.h>

#include <memory>
#include <string>

#include "wmi/wmi_seam.h"

namespace wmi {

HResult com_exec_notification_query_async(IWbemServices* services, const std::wstring& query,
                                          std::shared_ptr<NotificationSink> sink, std::unique_ptr<Subscription>& out);

}  // namespace wmi
