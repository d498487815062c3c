// The error object of the simulated provider's last failed call, as WMI leaves an
// __ExtendedStatus object for GetErrorInfo. One slot per process: pathmgr calls WMI
// from its main thread.
#pragma once
#include <mutex>
#include <string>

#include "wmi/wmi_seam.h"

namespace wmi {

class SimErrorSlot {
 public:
  // Every call starts by dropping the error object of an earlier one.
  void clear();
  // An __ExtendedStatus for a failed call; an empty description is served as NULL,
  // as WMI leaves it for its own failures.
  void set(HResult status, const std::string& operation, const std::string& parameter, const std::string& provider,
           const std::string& description = {});
  ObjectPtr take();

 private:
  std::mutex mutex_;
  ObjectPtr last_;
};

// Provider names in the error objects: WMI itself, and the provider of the driver classes.
inline constexpr const char* kWmiCoreProvider = "WinMgmt";
inline constexpr const char* kDriverProvider = "WMIProv";

}  // namespace wmi
