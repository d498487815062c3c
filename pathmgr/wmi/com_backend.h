// The WMI seam over COM (IWbemLocator, IWbemServices, IEnumWbemClassObject,
// IWbemClassObject): the real platform on Windows.
#pragma once
#include <memory>

#include "wmi/wmi_seam.h"

struct IWbemClassObject;

namespace wmi {
std::unique_ptr<Backend> make_com_backend();
// A WMI object of this backend over a COM object (its own reference); null for null.
ObjectPtr wrap_com_object(IWbemClassObject* object);
}
