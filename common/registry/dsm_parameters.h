// The driver's parameter key, where install writes the reservation key and DSM name
// and pathmgr reads and changes the driver's parameters.
#pragma once

namespace registry {
inline constexpr const wchar_t* kDsmParametersKey = L"SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters";
}
