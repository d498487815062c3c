// An object made of plain values, with the classes it derives from: what the
// simulated provider hands out where WMI hands out an object of its own making
// (the __ExtendedStatus error object of a failed call).
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "wmi/wmi_seam.h"

namespace wmi {

class ValueObject : public Object {
 public:
  // `derivation`: the superclasses, nearest first (as __DERIVATION lists them).
  ValueObject(std::wstring class_name, std::vector<std::wstring> derivation,
              std::vector<std::pair<std::wstring, Value>> properties);

  std::wstring class_name() const override { return class_name_; }
  HResult get(std::wstring_view name, Value& out) const override;
  HResult put(const std::wstring& name, const Value& value) override;
  std::vector<std::wstring> property_names() const override;
  HResult spawn_instance(ObjectPtr& out) const override;
  HResult get_method(const std::wstring& name, ObjectPtr& in_class) const override;
  HResult inherits_from(std::wstring_view ancestor) const override;

 private:
  std::wstring class_name_;
  std::vector<std::wstring> derivation_;
  std::vector<std::pair<std::wstring, Value>> properties_;
};

}  // namespace wmi
