#include "reports/devinfo.h"

#include <iomanip>

#include "inventory/joins.h"
#include "reports/report_inventory.h"

int devinfo_list(Session& s) {
  Inventory inv;
  if (int rc = read_listing_inventory(s, inv); rc != 0) return rc;
  if (inv.devices.empty()) return 0;
  const bool f5 = s.family5();
  std::ostream& out = s.out;
  out << "\n";
  if (f5) {
    out << " Device# SerialNumber Policy            nPaths  FailBack\n";
    out << " " << std::string(58, '-') << "\n";
  } else {
    out << " Device# SerialNumber                     Policy            nPaths\n";
    out << " " << std::string(69, '-') << "\n";
  }
  PathLookup lookup(f5, inv.descriptors, inv.paths);
  out << std::left;
  for (std::size_t i = 0; i < inv.devices.size(); ++i) {
    const DeviceRecord& d = inv.devices[i];
    out << " " << std::setw(8) << i << std::setw(f5 ? 13 : 33) << device_serial(lookup, d, d.SerialNumber)
        << std::setw(18) << d.PolicyName << std::setw(8);
    if (d.Paths.empty()) out << d.NumberPaths;
    else out << d.Paths.size();
    if (f5) out << (d.PolicyName == "FailOver" ? d.FailbackName : std::string("N/A"));
    out << "\n";
  }
  out << "\n" << std::right << std::flush;
  return 0;
}
