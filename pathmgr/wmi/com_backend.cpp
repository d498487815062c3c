#include "wmi/com_backend.h"

#include <wbemidl.h>

#include "wmi/com_notification.h"
#include "wmi/com_raii.h"

namespace wmi {

namespace {

ObjectPtr wrap_object(IUnknown* unknown);

// A VARIANT as the seam's Value (arrays walked from lower to upper bound).
Value from_variant(const VARIANT& v);

Value scalar_from_array(SAFEARRAY* sa, VARTYPE element, LONG index) {
  Value out;
  out.vt = element;
  switch (element) {
    case VT_BSTR: {
      BSTR b = nullptr;
      if (SUCCEEDED(SafeArrayGetElement(sa, &index, &b)) && b != nullptr) {
        out.text.assign(b, SysStringLen(b));
        SysFreeString(b);
      }
      break;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      IUnknown* unknown = nullptr;
      out.vt = VT_UNKNOWN;
      if (SUCCEEDED(SafeArrayGetElement(sa, &index, &unknown)) && unknown != nullptr) {
        out.object = wrap_object(unknown);
        unknown->Release();  // SafeArrayGetElement added a reference
      }
      break;
    }
    case VT_I1:
    case VT_UI1: {
      unsigned char b = 0;
      SafeArrayGetElement(sa, &index, &b);
      out.integer = element == VT_I1 ? static_cast<signed char>(b) : b;
      break;
    }
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: {
      SHORT s = 0;
      SafeArrayGetElement(sa, &index, &s);
      out.integer = element == VT_UI2 ? static_cast<USHORT>(s) : s;
      break;
    }
    case VT_I8:
    case VT_UI8: {
      LONGLONG ll = 0;
      SafeArrayGetElement(sa, &index, &ll);
      out.integer = ll;
      break;
    }
    default: {
      LONG l = 0;
      SafeArrayGetElement(sa, &index, &l);
      out.integer = element == VT_UI4 ? static_cast<ULONG>(l) : l;
      break;
    }
  }
  return out;
}

Value from_variant(const VARIANT& v) {
  Value out;
  VARTYPE vt = V_VT(&v);
  if (vt & VT_ARRAY) {
    VARTYPE element = static_cast<VARTYPE>(vt & ~VT_ARRAY);
    if (element == VT_DISPATCH) element = VT_UNKNOWN;
    out.vt = static_cast<std::uint16_t>(VT_ARRAY | element);
    SAFEARRAY* sa = V_ARRAY(&v);
    LONG lower = 0;
    LONG upper = -1;
    if (sa != nullptr && SUCCEEDED(SafeArrayGetLBound(sa, 1, &lower)) && SUCCEEDED(SafeArrayGetUBound(sa, 1, &upper)))
      for (LONG i = lower; i <= upper; ++i) out.elements.push_back(scalar_from_array(sa, element, i));
    return out;
  }
  out.vt = vt;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_BSTR:
      if (V_BSTR(&v) != nullptr) out.text.assign(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
      break;
    case VT_BOOL: out.integer = V_BOOL(&v); break;
    case VT_I1: out.integer = V_I1(&v); break;
    case VT_UI1: out.integer = V_UI1(&v); break;
    case VT_I2: out.integer = V_I2(&v); break;
    case VT_UI2: out.integer = V_UI2(&v); break;
    case VT_I4: out.integer = V_I4(&v); break;
    case VT_UI4: out.integer = V_UI4(&v); break;
    case VT_INT: out.integer = V_INT(&v); break;
    case VT_UINT: out.integer = V_UINT(&v); break;
    case VT_I8: out.integer = V_I8(&v); break;
    case VT_UI8: out.integer = static_cast<std::int64_t>(V_UI8(&v)); break;
    case VT_R4: out.integer = static_cast<std::int64_t>(V_R4(&v)); break;
    case VT_R8: out.integer = static_cast<std::int64_t>(V_R8(&v)); break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      out.vt = VT_UNKNOWN;
      if (V_UNKNOWN(&v) != nullptr) out.object = wrap_object(V_UNKNOWN(&v));
      break;
    default: break;
  }
  return out;
}

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
    const std::wstring terminated(name);  // COM takes a zero-terminated name
    HRESULT hr = obj_->Get(terminated.c_str(), 0, v.get(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    out = from_variant(v.ref());
    return S_OK;
  }

  HResult put(const std::wstring& name, const Value& value) override {
    Variant v;
    HRESULT hr = to_variant(value, *v.get());
    if (FAILED(hr)) return hr;
    return obj_->Put(name.c_str(), 0, v.get(), 0);
  }

  std::vector<std::wstring> property_names() const override {
    std::vector<std::wstring> names;
    SafeArray sa;
    if (FAILED(obj_->GetNames(nullptr, WBEM_FLAG_ALWAYS | WBEM_FLAG_NONSYSTEM_ONLY, nullptr, sa.put())) || !sa.get())
      return names;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(sa.get(), 1, &lower);
    SafeArrayGetUBound(sa.get(), 1, &upper);
    for (LONG i = lower; i <= upper; ++i) names.push_back(scalar_from_array(sa.get(), VT_BSTR, i).text);
    return names;
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
  static IUnknown* unknown_of(const Value& v) {
    auto* com = dynamic_cast<ComObject*>(v.object.get());
    return com != nullptr ? com->raw() : nullptr;
  }

  // Builds the VARIANT that Put takes; the caller's Variant clears it.
  static HRESULT to_variant(const Value& value, VARIANT& v) {
    if (value.is_array()) {
      VARTYPE element = value.element_type();
      SafeArray sa(SafeArrayCreateVector(element, 0, static_cast<ULONG>(value.elements.size())));
      if (!sa.get()) return E_OUTOFMEMORY;
      for (LONG i = 0; i < static_cast<LONG>(value.elements.size()); ++i) {
        const Value& e = value.elements[static_cast<std::size_t>(i)];
        HRESULT hr = S_OK;
        if (element == VT_UNKNOWN) {
          hr = SafeArrayPutElement(sa.get(), &i, unknown_of(e));  // adds its own reference
        } else if (element == VT_BSTR) {
          Bstr b(e.text);
          hr = SafeArrayPutElement(sa.get(), &i, b.get());  // copies the string
        } else if (element == VT_UI1 || element == VT_I1) {
          unsigned char b = static_cast<unsigned char>(e.integer);
          hr = SafeArrayPutElement(sa.get(), &i, &b);
        } else if (element == VT_I2 || element == VT_UI2 || element == VT_BOOL) {
          SHORT s = static_cast<SHORT>(e.integer);
          hr = SafeArrayPutElement(sa.get(), &i, &s);
        } else {
          LONG l = static_cast<LONG>(e.integer);
          hr = SafeArrayPutElement(sa.get(), &i, &l);
        }
        if (FAILED(hr)) return hr;
      }
      V_VT(&v) = static_cast<VARTYPE>(VT_ARRAY | element);
      V_ARRAY(&v) = sa.release();
      return S_OK;
    }
    switch (value.vt) {
      case VT_EMPTY:
      case VT_NULL: V_VT(&v) = VT_NULL; return S_OK;
      case VT_BSTR:
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
        return V_BSTR(&v) != nullptr ? S_OK : E_OUTOFMEMORY;
      case VT_BOOL: V_VT(&v) = VT_BOOL; V_BOOL(&v) = value.integer ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
      case VT_UI1: V_VT(&v) = VT_UI1; V_UI1(&v) = static_cast<BYTE>(value.integer); return S_OK;
      case VT_I2: V_VT(&v) = VT_I2; V_I2(&v) = static_cast<SHORT>(value.integer); return S_OK;
      case VT_UNKNOWN: {
        IUnknown* unknown = unknown_of(value);
        if (unknown == nullptr && value.object) return E_INVALIDARG;  // not an object of this backend
        V_VT(&v) = VT_UNKNOWN;
        V_UNKNOWN(&v) = unknown;
        if (unknown) unknown->AddRef();  // the VARIANT owns one reference
        return S_OK;
      }
      default: V_VT(&v) = VT_I4; V_I4(&v) = static_cast<LONG>(value.integer); return S_OK;
    }
  }

  ComPtr<IWbemClassObject> obj_;
};

ObjectPtr wrap_object(IUnknown* unknown) {
  ComPtr<IWbemClassObject> obj;
  if (FAILED(unknown->QueryInterface(IID_IWbemClassObject, obj.put_void()))) return nullptr;
  return std::make_shared<ComObject>(std::move(obj));
}

class ComServices : public Services {
 public:
  explicit ComServices(ComPtr<IWbemServices> services) : services_(std::move(services)) {}
  IWbemServices* raw() const { return services_.get(); }

  HResult enumerate(const std::wstring& class_name, const InstanceVisitor& visit) override {
    Bstr cls(class_name);
    if (!cls.ok()) return E_OUTOFMEMORY;
    ComPtr<IEnumWbemClassObject> enumerator;
    HRESULT hr = services_->CreateInstanceEnum(cls.get(), WBEM_FLAG_SHALLOW, nullptr, enumerator.put());
    if (FAILED(hr)) return hr;
    for (;;) {
      ComPtr<IWbemClassObject> obj;
      ULONG returned = 0;
      hr = enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 1, obj.put(), &returned);
      if (returned == 0 || !obj) break;
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
};

class ComBackend : public Backend {
 public:
  HResult initialize_com() override { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }

  HResult initialize_security() override {
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                nullptr, EOAC_NONE, nullptr);
  }

  HResult create_locator() override {
    return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator_.put_void());
  }

  HResult connect_server(const std::wstring& ns, const std::wstring& user, const std::wstring& password,
                         std::unique_ptr<Services>& out) override {
    if (!locator_) return E_POINTER;
    Bstr resource(ns);
    Bstr user_b(user);
    Bstr password_b(password);
    ComPtr<IWbemServices> services;
    HRESULT hr = locator_->ConnectServer(resource.get(), user.empty() ? nullptr : user_b.get(),
                                         password.empty() ? nullptr : password_b.get(), nullptr, 0, nullptr, nullptr,
                                         services.put());
    if (SUCCEEDED(hr)) out = std::make_unique<ComServices>(std::move(services));
    return hr;
  }

  HResult set_proxy_blanket(Services& services) override {
    auto* com = dynamic_cast<ComServices*>(&services);
    if (com == nullptr) return E_INVALIDARG;
    return CoSetProxyBlanket(com->raw(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  }

  void release_locator() override { locator_.reset(); }
  void uninitialize_com() override { CoUninitialize(); }

 private:
  ComPtr<IWbemLocator> locator_;
};

}  // namespace

std::unique_ptr<Backend> make_com_backend() { return std::make_unique<ComBackend>(); }

ObjectPtr wrap_com_object(IWbemClassObject* object) { return object != nullptr ? wrap_object(object) : nullptr; }

}  // namespace wmi
