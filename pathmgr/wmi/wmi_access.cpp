#include "wmi/wmi_access.h"

#include "hresult.h"

namespace wmi {

namespace {
std::ostream& code_line(std::ostream& out, HResult hr) { return out << hresult_hex(hr) << std::endl; }
}  // namespace

int wmi_connect(Backend& backend, std::ostream& out, std::unique_ptr<Services>& services) {
  HResult hr = backend.initialize_com();
  if (hr_failed(hr)) {
    code_line(out << "Failed to initialize COM library. Error code = 0x", hr);
    return 1;
  }
  hr = backend.initialize_security();
  if (hr_failed(hr)) {
    code_line(out << "Failed to initialize security. Error code = 0x", hr);
    backend.uninitialize_com();
    return 1;
  }
  hr = backend.create_locator(L"ROOT\\WMI");
  if (hr_failed(hr)) {
    code_line(out << "Failed to create IWbemLocator object." << " Err code = 0x", hr);
    backend.uninitialize_com();
    return 1;
  }
  std::unique_ptr<Services> connected;
  hr = backend.connect_server(kRootWmi, L"", L"", connected);
  if (hr_failed(hr)) {
    code_line(out << "Could not connect. Error code = 0x", hr);
    backend.release_locator();
    backend.uninitialize_com();
    return 1;
  }
  hr = backend.set_proxy_blanket(*connected);
  if (hr_failed(hr)) {
    code_line(out << "Could not set proxy blanket. Error code = 0x", hr);
    connected.reset();
    backend.release_locator();
    backend.uninitialize_com();
    return 1;
  }
  services = std::move(connected);
  return 0;
}

std::unique_ptr<Services> wmi_connect_namespace(Backend& backend, std::ostream& out, const std::wstring& ns,
                                                const char* connect_message) {
  std::unique_ptr<Services> connected;
  HResult hr = backend.connect_server(ns, L"", L"", connected);
  if (hr_failed(hr)) {
    code_line(out << connect_message, hr);
    return nullptr;
  }
  hr = backend.set_proxy_blanket(*connected);
  if (hr_failed(hr)) {
    code_line(out << "Could not set proxy blanket. Error code = 0x", hr);
    return nullptr;
  }
  return connected;
}

std::wstring wmi_object_path(const std::wstring& class_name, const std::wstring& instance_name) {
  std::wstring path = class_name + L".InstanceName=\"";
  path.reserve(path.size() + instance_name.size() * 2 + 1);
  for (wchar_t c : instance_name) {
    if (c == L'\\' || c == L'"') path += L'\\';
    path += c;
  }
  path += L'"';
  return path;
}

Value wmi_get(const Object& object, std::wstring_view name) {
  Value v;
  if (hr_failed(object.get(name, v))) return Value::empty();
  return v;
}

std::wstring wmi_get_text(const Object& object, std::wstring_view name) {
  Value v = wmi_get(object, name);
  return v.vt == VT_BSTR ? v.text : std::wstring();
}

HResult spawn_method_params(Services& services, const std::wstring& method_class, const std::wstring& method,
                            ObjectPtr& in_params) {
  in_params.reset();
  ObjectPtr cls;
  HResult hr = services.get_class(method_class, cls);
  if (hr_failed(hr)) return hr;
  ObjectPtr in_class;
  hr = cls->get_method(method, in_class);
  if (hr_failed(hr) || !in_class) return hr;
  return in_class->spawn_instance(in_params);
}

HResult spawn_object(Services& services, const std::wstring& class_name, ObjectPtr& object) {
  ObjectPtr cls;
  HResult hr = services.get_class(class_name, cls);
  if (hr_failed(hr)) return hr;
  return cls->spawn_instance(object);
}

HResult wmi_call(Services& services, const std::wstring& object_path, const std::wstring& method,
                 const Object* in_params) {
  ObjectPtr out;
  HResult hr = services.exec_method(object_path, method, in_params, &out);
  if (out) {
    Value status;
    out->get(L"Status", status);  // read as the driver tools always did; not relied on
  }
  return hr;
}

}  // namespace wmi
