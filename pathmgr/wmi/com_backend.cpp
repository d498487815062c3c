#include "wmi/com_backend.h"

#include <wbemidl.h>

#include <string_view>
#include <vector>

#include "wmi/com_notification.h"
#include "wmi/com_raii.h"
#include "wmi/variant_convert.h"

namespace wmi {

namespace {

const ObjectBridge& bridge();

// The account a remote connection was opened with, kept for the proxy blanket of the
// services and of every enumerator: without it, calls after ConnectServer would run
// as the local account and fail with E_ACCESSDENIED. "DOMAIN\user" is split; the
// password is wiped when the last proxy that needs it is gone.
class AuthIdentity {
 public:
  AuthIdentity(const std::wstring& account, const std::wstring& password) {
    auto slash = account.find(L'\\');
    const std::wstring_view whole(account);
    const std::wstring_view user = slash == std::wstring::npos ? whole : whole.substr(slash + 1);
    const std::wstring_view domain = slash == std::wstring::npos ? std::wstring_view() : whole.substr(0, slash);
    // Each buffer gets its final size first: a buffer that grew would leave its first
    // copy of the password behind, unwiped.
    fill(user_, user);
    fill(domain_, domain);
    fill(password_, password);
    identity_.User = reinterpret_cast<USHORT*>(user_.data());
    identity_.UserLength = static_cast<ULONG>(user_.size() - 1);
    identity_.Domain = reinterpret_cast<USHORT*>(domain_.data());
    identity_.DomainLength = static_cast<ULONG>(domain_.size() - 1);
    identity_.Password = reinterpret_cast<USHORT*>(password_.data());
    identity_.PasswordLength = static_cast<ULONG>(password_.size() - 1);
    identity_.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
  }
  ~AuthIdentity() { SecureZeroMemory(password_.data(), password_.size() * sizeof(wchar_t)); }
  AuthIdentity(const AuthIdentity&) = delete;
  AuthIdentity& operator=(const AuthIdentity&) = delete;
  COAUTHIDENTITY* get() { return &identity_; }

 private:
  static void fill(std::vector<wchar_t>& buffer, std::wstring_view text) {
    buffer.reserve(text.size() + 1);
    buffer.assign(text.begin(), text.end());
    buffer.push_back(L'\0');
  }

  std::vector<wchar_t> user_, domain_, password_;  // fixed buffers: no hidden copies
  COAUTHIDENTITY identity_{};
};

HRESULT set_blanket_of(IUnknown* proxy, AuthIdentity* identity) {
  return CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                           RPC_C_IMP_LEVEL_IMPERSONATE, identity != nullptr ? identity->get() : nullptr, EOAC_NONE);
}

// The blanket of a proxy; with another account's identity also that of the proxy's
// IUnknown, which carries QueryInterface and the final Release: with the process's
// own identity those calls would stall against the other computer.
HRESULT set_blanket(IUnknown* proxy, AuthIdentity* identity) {
  HRESULT hr = set_blanket_of(proxy, identity);
  if (FAILED(hr) || identity == nullptr) return hr;
  ComPtr<IUnknown> unknown;
  hr = proxy->QueryInterface(IID_IUnknown, unknown.put_void());
  if (FAILED(hr)) return hr;
  return set_blanket_of(unknown.get(), identity);
}

class ComQualifierSet : public QualifierSet {
 public:
  explicit ComQualifierSet(ComPtr<IWbemQualifierSet> set) : set_(std::move(set)) {}
  HResult get(std::wstring_view name, Value& out) const override {
    Variant v;
    const std::wstring terminated(name);
    HRESULT hr = set_->Get(terminated.c_str(), 0, v.get(), nullptr);
    if (FAILED(hr)) return hr;
    return variant_to_value(v.ref(), bridge(), out);
  }

 private:
  ComPtr<IWbemQualifierSet> set_;
};

class ComObject : public Object {
 public:
  explicit ComObject(ComPtr<IWbemClassObject> obj) : obj_(std::move(obj)) {}
  IWbemClassObject* raw() const { return obj_.get(); }

  std::wstring class_name() const override {
    Variant v;
    if (FAILED(obj_->Get(L"__CLASS", 0, v.get(), nullptr, nullptr)) || V_VT(v.get()) != VT_BSTR) return {};
    return std::wstring(V_BSTR(v.get()), SysStringLen(V_BSTR(v.get())));
  }

  HResult get(std::wstring_view name, Value& out) const override {
    Variant v;
    CIMTYPE cim = 0;
    const std::wstring terminated(name);  // COM takes a zero-terminated name
    HRESULT hr = obj_->Get(terminated.c_str(), 0, v.get(), &cim, nullptr);
    if (FAILED(hr)) return hr;
    hr = variant_to_value(v.ref(), bridge(), out);
    out.cim_type = cim;
    return hr;
  }

  HResult put(const std::wstring& name, const Value& value) override {
    Variant v;
    // An empty value clears the property, as Put takes it: VT_NULL.
    HRESULT hr = value.vt == VT_EMPTY ? value_to_variant(Value::null(), bridge(), *v.get())
                                      : value_to_variant(value, bridge(), *v.get());
    if (FAILED(hr)) return hr;
    return obj_->Put(name.c_str(), 0, v.get(), 0);
  }

  std::vector<std::wstring> property_names() const override {
    std::vector<std::wstring> names;
    NamesStep step;
    get_names(names, step);
    return names;
  }

  HResult get_names(std::vector<std::wstring>& names, NamesStep& failed) const override {
    names.clear();
    failed = NamesStep::GetNames;
    SafeArray sa;
    HRESULT hr = obj_->GetNames(nullptr, WBEM_FLAG_ALWAYS | WBEM_FLAG_NONSYSTEM_ONLY, nullptr, sa.put());
    if (FAILED(hr)) return hr;
    std::vector<Value> elements;
    hr = safearray_to_values(sa.get(), VT_BSTR, bridge(), elements, failed);
    if (FAILED(hr)) return hr;
    for (auto& e : elements) names.push_back(std::move(e.text));
    return S_OK;
  }

  HResult property_qualifiers(std::wstring_view property, std::unique_ptr<QualifierSet>& out) const override {
    out.reset();
    ComPtr<IWbemQualifierSet> set;
    const std::wstring terminated(property);
    HRESULT hr = obj_->GetPropertyQualifierSet(terminated.c_str(), set.put());
    if (SUCCEEDED(hr)) out = std::make_unique<ComQualifierSet>(std::move(set));
    return hr;
  }

  HResult inherits_from(std::wstring_view ancestor) const override {
    const std::wstring terminated(ancestor);
    return obj_->InheritsFrom(terminated.c_str());
  }

  HResult spawn_instance(ObjectPtr& out) const override {
    ComPtr<IWbemClassObject> instance;
    HRESULT hr = obj_->SpawnInstance(0, instance.put());
    if (SUCCEEDED(hr)) out = std::make_shared<ComObject>(std::move(instance));
    return hr;
  }

  HResult get_method(const std::wstring& name, ObjectPtr& in_class) const override {
    ComPtr<IWbemClassObject> in;
    HRESULT hr = obj_->GetMethod(name.c_str(), 0, in.put(), nullptr);
    in_class.reset();
    if (SUCCEEDED(hr) && in) in_class = std::make_shared<ComObject>(std::move(in));
    return hr;
  }

 private:
  ComPtr<IWbemClassObject> obj_;
};

ObjectPtr wrap_object(IUnknown* unknown) {
  ComPtr<IWbemClassObject> obj;
  if (FAILED(unknown->QueryInterface(IID_IWbemClassObject, obj.put_void()))) return nullptr;
  return std::make_shared<ComObject>(std::move(obj));
}

IUnknown* unwrap_object(const Object& object) {
  auto* com = dynamic_cast<const ComObject*>(&object);
  return com != nullptr ? com->raw() : nullptr;
}

const ObjectBridge& bridge() {
  static const ObjectBridge instance{wrap_object, unwrap_object};
  return instance;
}

class ComServices : public Services {
 public:
  ComServices(ComPtr<IWbemServices> services, std::shared_ptr<AuthIdentity> identity)
      : services_(std::move(services)), identity_(std::move(identity)) {}
  IWbemServices* raw() const { return services_.get(); }
  AuthIdentity* identity() const { return identity_.get(); }

  HResult enumerate(const std::wstring& class_name, const InstanceVisitor& visit) override {
    HResult end = S_OK;
    return enumerate_to_end(class_name, visit, end);
  }

  HResult enumerate_to_end(const std::wstring& class_name, const InstanceVisitor& visit, HResult& end) override {
    end = S_OK;
    Bstr cls(class_name);
    if (!cls.ok()) return E_OUTOFMEMORY;
    ComPtr<IEnumWbemClassObject> enumerator;
    HRESULT hr = services_->CreateInstanceEnum(cls.get(), WBEM_FLAG_SHALLOW, nullptr, enumerator.put());
    if (FAILED(hr)) return hr;
    // The enumerator is a proxy of its own: it needs the connection's identity too.
    if (identity_ && FAILED(hr = set_blanket(enumerator.get(), identity_.get()))) return hr;
    for (;;) {
      ComPtr<IWbemClassObject> obj;
      ULONG returned = 0;
      hr = enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 1, obj.put(), &returned);
      if (hr != WBEM_S_NO_ERROR || returned == 0 || !obj) {
        end = hr == WBEM_S_NO_ERROR ? kWBEM_S_FALSE : hr;  // no object without a status: the end
        break;
      }
      ComObject instance(std::move(obj));
      if (!visit(instance)) break;
    }
    return S_OK;
  }

  HResult get_class(const std::wstring& class_name, ObjectPtr& out) override {
    Bstr cls(class_name);
    if (!cls.ok()) return E_OUTOFMEMORY;
    ComPtr<IWbemClassObject> obj;
    HRESULT hr = services_->GetObject(cls.get(), 0, nullptr, obj.put(), nullptr);
    if (SUCCEEDED(hr)) out = std::make_shared<ComObject>(std::move(obj));
    return hr;
  }

  HResult exec_method(const std::wstring& object_path, const std::wstring& method, const Object* in_params,
                      ObjectPtr* out) override {
    Bstr path(object_path);
    Bstr name(method);
    if (!path.ok() || !name.ok()) return E_OUTOFMEMORY;
    IWbemClassObject* in = nullptr;
    if (in_params != nullptr) {
      auto* com = dynamic_cast<const ComObject*>(in_params);
      if (com == nullptr) return E_INVALIDARG;
      in = com->raw();
    }
    ComPtr<IWbemClassObject> out_params;
    HRESULT hr = services_->ExecMethod(path.get(), name.get(), 0, nullptr, in, out ? out_params.put() : nullptr, nullptr);
    if (out != nullptr) {
      out->reset();
      if (out_params) *out = std::make_shared<ComObject>(std::move(out_params));
    }
    return hr;
  }

  HResult exec_notification_query_async(const std::wstring& query, std::shared_ptr<NotificationSink> sink,
                                        std::unique_ptr<Subscription>& out) override {
    return com_exec_notification_query_async(services_.get(), query, std::move(sink), out);
  }

 private:
  ComPtr<IWbemServices> services_;
  std::shared_ptr<AuthIdentity> identity_;
};

// A BSTR holding a password, wiped before it is freed.
class SecretBstr {
 public:
  explicit SecretBstr(const std::wstring& text) : b_(text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~SecretBstr() {
    if (b_ != nullptr) {
      SecureZeroMemory(b_, SysStringByteLen(b_));
      SysFreeString(b_);
    }
  }
  SecretBstr(const SecretBstr&) = delete;
  SecretBstr& operator=(const SecretBstr&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

class ComBackend : public Backend {
 public:
  HResult initialize_com() override { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }

  HResult initialize_security() override {
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                nullptr, EOAC_NONE, nullptr);
  }

  HResult create_locator(const std::wstring&) override {
    return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator_.put_void());
  }

  HResult connect_server(const std::wstring& ns, const std::wstring& user, const std::wstring& password,
                         std::unique_ptr<Services>& out) override {
    if (!locator_) return E_POINTER;
    Bstr resource(ns);
    Bstr user_b(user);
    SecretBstr password_b(password);
    if (!resource.ok() || !user_b.ok() || (!password.empty() && password_b.get() == nullptr)) return E_OUTOFMEMORY;
    ComPtr<IWbemServices> services;
    HRESULT hr = locator_->ConnectServer(resource.get(), user.empty() ? nullptr : user_b.get(), password_b.get(),
                                         nullptr, 0, nullptr, nullptr, services.put());
    if (SUCCEEDED(hr)) {
      auto identity = user.empty() ? nullptr : std::make_shared<AuthIdentity>(user, password);
      out = std::make_unique<ComServices>(std::move(services), std::move(identity));
    }
    return hr;
  }

  HResult set_proxy_blanket(Services& services) override {
    auto* com = dynamic_cast<ComServices*>(&services);
    if (com == nullptr) return E_INVALIDARG;
    return set_blanket(com->raw(), com->identity());
  }

  void release_locator() override { locator_.reset(); }
  void uninitialize_com() override { CoUninitialize(); }

  ObjectPtr take_error_object() override {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return nullptr;
    return wrap_object(info.get());
  }

 private:
  ComPtr<IWbemLocator> locator_;
};

}  // namespace

std::unique_ptr<Backend> make_com_backend() { return std::make_unique<ComBackend>(); }

ObjectPtr wrap_com_object(IWbemClassObject* object) { return object != nullptr ? wrap_object(object) : nullptr; }

}  // namespace wmi
