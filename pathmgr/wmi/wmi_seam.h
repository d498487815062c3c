// The WMI seam: what the commands need of WMI, with a COM backend on Windows and the
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

inline constexpr HResult kWBEM_S_FALSE = 1;
inline constexpr HResult kWBEM_E_SYSTEM_PROPERTY = hr_from_bits(0x80041030u);
inline constexpr HResult kWBEM_E_NOT_SUPPORTED = hr_from_bits(0x8004100Cu);

// The qualifiers of one property (IWbemQualifierSet): "key", "CIMTYPE", ...
class QualifierSet {
 public:
  virtual ~QualifierSet() = default;
  // WBEM_E_NOT_FOUND for a qualifier the property does not have.
  virtual HResult get(std::wstring_view name, Value& out) const = 0;
};

// Where reading the names of an object's properties failed: GetNames itself, or the
// walk of the SAFEARRAY it returned.
enum class NamesStep { GetNames, LowerBound, UpperBound, Element };

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
  // The same, with the status of the step that failed (`failed` names the step).
  virtual HResult get_names(std::vector<std::wstring>& names, NamesStep& failed) const {
    failed = NamesStep::GetNames;
    names = property_names();
    return 0;
  }
  // The qualifier set of a property: WBEM_E_SYSTEM_PROPERTY for a system property
  // ("__CLASS", ...), which has none; WBEM_E_NOT_FOUND for an unknown property.
  virtual HResult property_qualifiers(std::wstring_view /*property*/, std::unique_ptr<QualifierSet>& out) const {
    out.reset();
    return kWBEM_E_NOT_SUPPORTED;
  }
  // S_OK when the object's class is `ancestor` or derives from it, else WBEM_S_FALSE.
  virtual HResult inherits_from(std::wstring_view ancestor) const {
    return class_name() == ancestor ? 0 : kWBEM_S_FALSE;
  }
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
  // The same, and `end` tells how the list ended: WBEM_S_FALSE after the last
  // instance, the failure of IEnumWbemClassObject::Next when fetching failed, S_OK
  // when the visitor stopped it.
  virtual HResult enumerate_to_end(const std::wstring& class_name, const InstanceVisitor& visit, HResult& end) {
    end = kWBEM_S_FALSE;
    return enumerate(class_name, visit);
  }
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
  // The locator that connects to the namespace `ns` (the simulated platform's faults
  // name the namespace; the system's locator serves any).
  virtual HResult create_locator(const std::wstring& ns) = 0;
  // ConnectServer to a namespace (a computer's one as \\name\namespace); user and
  // password empty for the current account. With a user, the services keep that
  // identity for the proxy blanket of every later call.
  virtual HResult connect_server(const std::wstring& ns, const std::wstring& user,
                                 const std::wstring& password,
                                 std::unique_ptr<Services>& out) = 0;
  virtual HResult set_proxy_blanket(Services& services) = 0;
  virtual void release_locator() = 0;
  virtual void uninitialize_com() = 0;
  // The calling thread's error object of the last failed call (GetErrorInfo), taken:
  // null when there is none or it is no WMI object.
  virtual std::shared_ptr<Object> take_error_object() { return nullptr; }
};

}  // namespace wmi
