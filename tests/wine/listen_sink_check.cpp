// A Windows program that checks the listener's COM event sink against the system's
// own COM and WMI (wine64 in the smoke test; no test framework exists for the
// Windows build): reference counting, QueryInterface, Indicate with a real WMI
// object, the last Release on another thread, and a subscription that lets go of
// the sink. Prints one line per failed check and "all checks passed" otherwise; the
// exit code is the number of failures.
#include <windows.h>
#include <wbemidl.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <sstream>
#include <thread>

#include "listen/event_printer.h"
#include "wmi/com_backend.h"
#include "wmi/com_event_sink.h"
#include "wmi/com_raii.h"
#include "wmi/wmi_access.h"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  if (ok) return;
  std::cout << "FAILED: " << what << std::endl;
  ++failures;
}

class Recorder : public wmi::NotificationSink {
 public:
  void indicate(const std::vector<wmi::ObjectPtr>& objects) override { objects_ += static_cast<int>(objects.size()); }
  void set_status(HResult) override { ++statuses_; }
  int objects() const { return objects_; }

 private:
  std::atomic<int> objects_{0};
  std::atomic<int> statuses_{0};
};

// The class object of Win32_DiskDrive: a real WMI object without any of the event's properties.
ComPtr<IWbemClassObject> disk_drive_class() {
  ComPtr<IWbemLocator> locator;
  ComPtr<IWbemServices> services;
  ComPtr<IWbemClassObject> object;
  Bstr ns(L"ROOT\\CIMV2");
  Bstr cls(L"Win32_DiskDrive");
  if (SUCCEEDED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.put_void())) &&
      SUCCEEDED(locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put())))
    services->GetObject(cls.get(), 0, nullptr, object.put(), nullptr);
  return object;
}

void reference_counting_and_interfaces() {
  auto recorder = std::make_shared<Recorder>();
  wmi::VdsEventSink* sink = wmi::VdsEventSink::create(recorder);
  check(sink->AddRef() == 1, "the first AddRef gives 1");
  for (const IID* iid : {&IID_IDispatch, &IID_IWbemClassObject, &IID_IWbemServices}) {
    void* out = sink;
    check(sink->QueryInterface(*iid, &out) == E_NOINTERFACE && out == nullptr, "another interface: E_NOINTERFACE");
  }
  check(sink->AddRef() == 2 && sink->Release() == 1, "a refused QueryInterface leaves the count unchanged");
  void* unknown = nullptr;
  void* object_sink = nullptr;
  check(sink->QueryInterface(IID_IUnknown, &unknown) == S_OK && unknown == static_cast<IWbemObjectSink*>(sink),
        "IUnknown is the sink itself");
  check(sink->QueryInterface(IID_IWbemObjectSink, &object_sink) == S_OK && object_sink == unknown,
        "IWbemObjectSink is the sink itself");
  check(sink->Release() == 2 && sink->Release() == 1, "each accepted QueryInterface took a reference");
  check(sink->Indicate(0, nullptr) == WBEM_S_NO_ERROR && sink->Indicate(-1, nullptr) == WBEM_S_NO_ERROR &&
            recorder->objects() == 0,
        "a batch of no objects reaches nobody");
  check(sink->SetStatus(WBEM_STATUS_COMPLETE, WBEM_E_CALL_CANCELLED, nullptr, nullptr) == WBEM_S_NO_ERROR,
        "SetStatus answers 0");
  check(sink->Release() == 0, "the last Release gives 0");
}

void indicate_prints_a_real_object() {
  ComPtr<IWbemClassObject> object = disk_drive_class();
  check(static_cast<bool>(object), "ROOT\\CIMV2 serves Win32_DiskDrive");
  if (!object) return;
  std::ostringstream out;
  wmi::VdsEventSink* sink = wmi::VdsEventSink::create(std::make_shared<EventPrinter>(out));
  sink->AddRef();
  IWbemClassObject* batch[] = {object.get()};
  check(sink->Indicate(1, batch) == WBEM_S_NO_ERROR, "Indicate answers 0");
  sink->Release();
  check(out.str() == " InstanceName : \n Active : 0\n TimeStamp : \n Severity : Unknown\n Component : \n"
                     " EventDescription : \n\n",
        "properties the object lacks print empty");
}

void last_release_on_another_thread() {
  auto recorder = std::make_shared<Recorder>();
  std::weak_ptr<Recorder> alive = recorder;
  wmi::VdsEventSink* sink = wmi::VdsEventSink::create(std::move(recorder));
  sink->AddRef();
  sink->AddRef();  // the delivery thread's reference
  check(sink->Release() == 1, "the creator lets go first");
  std::thread delivery([sink] {
    sink->Indicate(0, nullptr);
    sink->Release();  // the last reference: the sink frees itself here
  });
  delivery.join();
  check(alive.expired(), "the sink was freed on the delivery thread");
}

void subscription_lets_go_of_the_sink() {
  auto backend = wmi::make_com_backend();
  std::unique_ptr<wmi::Services> services;
  std::ostringstream messages;
  if (wmi::wmi_connect(*backend, messages, services) != 0) {
    check(false, "connect to ROOT\\WMI");
    std::cout << messages.str();
    return;
  }
  auto recorder = std::make_shared<Recorder>();
  std::weak_ptr<Recorder> alive = recorder;
  std::unique_ptr<wmi::Subscription> subscription;
  check(services->exec_notification_query_async(L"SELECT * FROM MPIO_EventEntry", std::move(recorder), subscription) ==
            S_OK,
        "the subscription starts");
  if (!subscription) return;
  check(subscription->cancel() == S_OK, "CancelAsyncCall succeeds");
  // WMI and the apartment drop their references on their own time.
  for (int i = 0; i < 100 && !alive.expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  check(alive.expired(), "after the cancel the sink is freed");
}

}  // namespace

int main() {
  reference_counting_and_interfaces();
  last_release_on_another_thread();
  subscription_lets_go_of_the_sink();  // connects: COM and its security are set up here
  indicate_prints_a_real_object();
  if (failures == 0) std::cout << "all checks passed" << std::endl;
  return failures;
}
