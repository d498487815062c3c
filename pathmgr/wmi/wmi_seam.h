// The WMI seam: what the Parts need of WMI, with a COM backend on Windows and the
// simulated provider elsewhere. Status codes are the HRESULTs Windows gives.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hresult.h"
#include "wmi/wmi_value.h"

namespace wmi {

// An instance, a class object, or an in-parameter object.
class Object {
 public:
  virtual ~Object() = default;
  virtual std::wstring class_name() const = 0;
  // A property value; a property the object does not carry gives WBEM_E_NOT_FOUND.
  // (A view, so that reading a property by a literal name allocates nothing.)
  virtual HResult get(std::wstring_view name, Value& out) const = 0;
  virtual HResult put(const std::wstring& name, const Value& value) = 0;
  // Property names in the class's order (system properties excluded).
  virtual std::vector<std::wstring> property_names() const = 0;
  // Class objects only: a new instance of the class.
  virtual HResult spawn_instance(std::shared_ptr<Object>& out) const = 0;
  // Class objects only: the in-parameter class of a method (null when it has none).
  virtual HResult get_method(const std::wstring& name, std::shared_ptr<Object>& in_class) const = 0;
};

using ObjectPtr = std::shared_ptr<Object>;
// Returns false to stop the enumeration early.
using InstanceVisitor = std::function<bool(Object&)>;

// Receives what an asynchronous query delivers (IWbemObjectSink), on threads that are
// not the subscriber's; deliveries may overlap.
class NotificationSink {
 public:
  virtual ~NotificationSink() = default;
  // One batch of event objects (possibly none).
  virtual void indicate(const std::vector<ObjectPtr>& objects) = 0;
  // The query's status: an error, or its end once cancelled.
  virtual void set_status(HResult status) = 0;
};

// A running notification query; cancel() stops the deliveries (CancelAsyncCall) and
// releases what the query holds. Destroying it cancels it.
class Subscription {
 public:
  virtual ~Subscription() = default;
  virtual HResult cancel() = 0;
};

// One connected namespace (IWbemServices).
class Services {
 public:
  virtual ~Services() = default;
  // Shallow instance enumeration of one class; a failure to start it is returned.
  virtual HResult enumerate(const std::wstring& class_name, const InstanceVisitor& visit) = 0;
  virtual HResult get_class(const std::wstring& class_name, ObjectPtr& out) = 0;
  // Runs a method on the instance named by object_path. `out` receives the
  // out-parameters where the method has them.
  virtual HResult exec_method(const std::wstring& object_path, const std::wstring& method,
                              const Object* in_params, ObjectPtr* out) = 0;
  // ExecNotificationQueryAsync of a WQL event query, with status reports: the events
  // raised from now on go to `sink` until `out` is cancelled.
  virtual HResult exec_notification_query_async(const std::wstring& query, std::shared_ptr<NotificationSink> sink,
                                                std::unique_ptr<Subscription>& out) = 0;
};

// The start-up steps of a WMI connection, each with its own status.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual HResult initialize_com() = 0;
  virtual HResult initialize_security() = 0;
  virtual HResult create_locator() = 0;
  // ConnectServer to a namespace; user and password empty for the current account.
  virtual HResult connect_server(const std::wstring& ns, const std::wstring& user,
                                 const std::wstring& password,
                                 std::unique_ptr<Services>& out) = 0;
  virtual HResult set_proxy_blanket(Services& services) = 0;
  virtual void release_locator() = 0;
  virtual void uninitialize_com() = 0;
};

}  // namespace wmi
