#include "wmi/sim_qualifiers.h"

#include "simstack/state_file/sim_host.h"
#include "text/text_convert.h"

namespace wmi {

namespace {

class SimQualifierSet : public QualifierSet {
 public:
  SimQualifierSet(std::string cim_type, bool key) : cim_type_(std::move(cim_type)), key_(key) {}
  HResult get(std::wstring_view wname, Value& out) const override {
    const std::string name = narrow_utf8(wname);
    if (simstack::equal_nocase(name, "CIMTYPE")) {
      out = Value::bstr(widen_utf8(cim_type_));
      return kS_OK;
    }
    if (key_ && simstack::equal_nocase(name, "key")) {
      out = Value::boolean(true);
      return kS_OK;
    }
    return kWBEM_E_NOT_FOUND;
  }

 private:
  std::string cim_type_;
  bool key_;
};

}  // namespace

std::unique_ptr<QualifierSet> make_property_qualifiers(const simstack::PropertySchema& property) {
  return std::make_unique<SimQualifierSet>(simstack::cim_type_text(property), property.key);
}

}  // namespace wmi
