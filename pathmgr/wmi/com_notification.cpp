#include "wmi/com_notification.h"

#include "wmi/com_event_sink.h"
#include "wmi/com_raii.h"

namespace wmi {

namespace {

class ComSubscription : public Subscription {
 public:
  explicit ComSubscription(IWbemServices* services) : services_(services) {
    if (services_) services_->AddRef();
  }
  ~ComSubscription() override { cancel(); }

  HResult start(const std::wstring& query, std::shared_ptr<NotificationSink> target) {
    // The apartment through which WMI calls back into this process, whatever the
    // process's own security settings.
    const HRESULT apartment = CoCreateInstance(CLSID_UnsecuredApartment, nullptr, CLSCTX_LOCAL_SERVER,
                                               IID_IUnsecuredApartment, apartment_.put_void());
    VdsEventSink* sink = VdsEventSink::create(std::move(target));
    if (sink == nullptr) return fail(E_OUTOFMEMORY);
    sink->AddRef();
    sink_ = ComPtr<VdsEventSink>(sink);
    if (SUCCEEDED(apartment)) {
      HRESULT hr = apartment_->CreateObjectStub(sink_.get(), stub_.put());
      if (SUCCEEDED(hr) && stub_) hr = stub_->QueryInterface(IID_IWbemObjectSink, stub_sink_.put_void());
      if (FAILED(hr) || !stub_sink_) return fail(FAILED(hr) ? hr : E_NOINTERFACE);
    }
    // Where the system has no unsecured apartment (it is a program of its own, which
    // some systems lack), WMI is handed the sink itself.
    Bstr language(L"WQL");
    Bstr text(query);
    if (!language.ok() || !text.ok()) return fail(E_OUTOFMEMORY);
    const HRESULT hr = services_->ExecNotificationQueryAsync(language.get(), text.get(), WBEM_FLAG_SEND_STATUS,
                                                             nullptr, delivery());
    if (FAILED(hr)) return fail(hr);
    running_ = true;
    return S_OK;
  }

  HResult cancel() override {
    if (!running_) return S_OK;
    running_ = false;
    const HRESULT hr = services_->CancelAsyncCall(delivery());
    release_all();
    return hr;
  }

 private:
  IWbemObjectSink* delivery() const { return stub_sink_ ? stub_sink_.get() : sink_.get(); }

  // In this order: the apartment, the stub, the sink, the stub's sink interface. The
  // sink lives on while WMI or the stub still holds it.
  void release_all() {
    apartment_.reset();
    stub_.reset();
    sink_.reset();
    stub_sink_.reset();
  }

  HResult fail(HRESULT hr) {
    release_all();
    return hr;
  }

  ComPtr<IWbemServices> services_;
  ComPtr<IUnsecuredApartment> apartment_;
  ComPtr<IUnknown> stub_;
  ComPtr<VdsEventSink> sink_;
  ComPtr<IWbemObjectSink> stub_sink_;
  bool running_ = false;
};

}  // namespace

HResult com_exec_notification_query_async(IWbemServices* services, const std::wstring& query,
                                          std::shared_ptr<NotificationSink> sink, std::unique_ptr<Subscription>& out) {
  auto subscription = std::make_unique<ComSubscription>(services);
  const HResult hr = subscription->start(query, std::move(sink));
  if (SUCCEEDED(hr)) out = std::move(subscription);
  return hr;
}

}  // namespace wmi
