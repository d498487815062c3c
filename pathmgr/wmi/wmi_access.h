// The process-wide WMI connection and the ways the commands use it: connect with the
// start-up messages, enumerate, read typed values, object paths, method calls.
#pragma once
#include <memory>
#include <ostream>
#include <string>

#include "wmi/wmi_seam.h"

namespace wmi {

inline constexpr const wchar_t* kRootWmi = L"ROOT\\WMI";
inline constexpr const wchar_t* kRootCimv2 = L"ROOT\\CIMV2";

// Start-up steps of the ROOT\WMI connection; each failure prints its message to `out`
// and gives 1. On success `services` holds the connection and the result is 0.
int wmi_connect(Backend& backend, std::ostream& out, std::unique_ptr<Services>& services);

// A further namespace through the same locator, with the proxy blanket set; prints
// `connect_message` or the proxy message with the code on failure. Null on failure.
std::unique_ptr<Services> wmi_connect_namespace(Backend& backend, std::ostream& out, const std::wstring& ns,
                                                const char* connect_message);

// Class.InstanceName="name" with every backslash of the name doubled (and quotes
// escaped), as WMI requires inside a quoted key value.
std::wstring wmi_object_path(const std::wstring& class_name, const std::wstring& instance_name);

// A property, or an empty value when the object does not carry it.
Value wmi_get(const Object& object, std::wstring_view name);
std::wstring wmi_get_text(const Object& object, std::wstring_view name);

// The in-parameter object of a method, spawned from its class (null, with S_OK, for
// a method without in-parameters).
HResult spawn_method_params(Services& services, const std::wstring& method_class, const std::wstring& method,
                            ObjectPtr& in_params);
// A new instance of a class (for embedded in-parameter objects).
HResult spawn_object(Services& services, const std::wstring& class_name, ObjectPtr& object);
// Runs the method; the out-parameter "Status" is read and dropped, as no caller
// relies on it. The result is the status of the execution itself.
HResult wmi_call(Services& services, const std::wstring& object_path, const std::wstring& method,
                 const Object* in_params);

}  // namespace wmi
