#include "wmi/sim_errors.h"

#include "wmi/sim_system_properties.h"
#include "wmi/value_object.h"

namespace wmi {

void SimErrorSlot::clear() {
  std::lock_guard lock(mutex_);
  last_.reset();
}

void SimErrorSlot::set(HResult status, const std::string& operation, const std::string& parameter,
                       const std::string& provider, const std::string& description) {
  Value code = Value::i4(status);
  code.cim_type = CIM_UINT32;
  auto status_object = std::make_shared<ValueObject>(
      L"__ExtendedStatus", std::vector<std::wstring>{L"__NotifyStatus"},
      std::vector<std::pair<std::wstring, Value>>{{L"Description", string_or_null(description)},
                                                  {L"Operation", string_or_null(operation)},
                                                  {L"ParameterInfo", string_or_null(parameter)},
                                                  {L"ProviderName", string_or_null(provider)},
                                                  {L"StatusCode", code}});
  std::lock_guard lock(mutex_);
  last_ = std::move(status_object);
}

ObjectPtr SimErrorSlot::take() {
  std::lock_guard lock(mutex_);
  return std::exchange(last_, nullptr);
}

}  // namespace wmi
