// The qualifiers the simulated provider serves for a property, as WMI does for the
// driver classes: "CIMTYPE" for every property and "key" (true) for key properties.
#pragma once
#include <memory>

#include "simstack/wmi_provider/schemas.h"
#include "wmi/wmi_seam.h"

namespace wmi {

std::unique_ptr<QualifierSet> make_property_qualifiers(const simstack::PropertySchema& property);

}  // namespace wmi
