// VdsEventSink: the listener's COM event sink (IWbemObjectSink). WMI calls it through
// the apartment stub on threads of its own, several at once; it hands each batch to
// the portable sink of the WMI seam. It frees itself in the Release that drops its
// last reference, on whichever thread that comes.
#pragma once
#include <windows.h>
#include <wbemidl.h>

#include <atomic>
#include <memory>

#include "wmi/wmi_seam.h"

namespace wmi {

class VdsEventSink final : public IWbemObjectSink {
 public:
  // A sink with reference count 0, or null when there is no memory for it; the
  // caller's AddRef takes the first reference.
  static VdsEventSink* create(std::shared_ptr<NotificationSink> target);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Indicate(LONG object_count, IWbemClassObject** objects) override;
  HRESULT STDMETHODCALLTYPE SetStatus(LONG flags, HRESULT result, BSTR param, IWbemClassObject* param_object) override;

 private:
  explicit VdsEventSink(std::shared_ptr<NotificationSink> target) : target_(std::move(target)) {}
  ~VdsEventSink() = default;  // not virtual: only Release destroys the sink

  std::atomic<LONG> count_{0};
  const std::shared_ptr<NotificationSink> target_;
};

}  // namespace wmi
