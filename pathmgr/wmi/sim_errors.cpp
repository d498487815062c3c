#include "wmi/sim_errors.h"

#include "text/text_convert.h"
#include "wmi/value_object.h"

namespace wmi {

namespace {
Value text_or_null(const std::string& text) {
  Value v = text.empty() ? Value::null() : Value::bstr(widen_utf8(text));
  v.cim_type = CIM_STRING;
  return v;
}
}  // namespace

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
      std::vector<std::pair<std::wstring, Value>>{{L"Description", text_or_null(description)},
                                                  {L"Operation", text_or_null(operation)},
                                                  {L"ParameterInfo", text_or_null(parameter)},
                                                  {L"ProviderName", text_or_null(provider)},
                                                  {L"StatusCode", code}});
  std::lock_guard lock(mutex_);
  last_ = std::move(status_object);
}

ObjectPtr SimErrorSlot::take() {
  std::lock_guard lock(mutex_);
  return std::exchange(last_, nullptr);
}

}  // namespace wmi
