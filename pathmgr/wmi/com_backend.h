// The WMI seam over COM (IWbemLocator, IWbemServices, IEnumWbemClassObject,
// IWbemClassObject): the real platform on Windows.
#pragma once
#include <memory>

#include "wmi/wmi_seam.h"

namespace wmi {
std::unique_ptr<Backend> make_com_backend();
}
