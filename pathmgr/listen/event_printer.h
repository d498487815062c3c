// The listener's sink: prints each delivered event into the session's output. Events
// may arrive on several threads at once; each event's lines go out together.
#pragma once
#include <mutex>
#include <ostream>

#include "wmi/wmi_seam.h"

class EventPrinter final : public wmi::NotificationSink {
 public:
  explicit EventPrinter(std::ostream& out) : out_(out) {}
  void indicate(const std::vector<wmi::ObjectPtr>& objects) override;
  // Status reports, the final one after cancelling included, print nothing.
  void set_status(HResult) override {}

 private:
  std::ostream& out_;
  std::mutex mutex_;
};
