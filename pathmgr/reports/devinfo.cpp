#include "reports/devinfo.h"

#include <iomanip>

#include "inventory/joins.h"
#include "reports/report_inventory.h"

int gather_devinfo(Session& s, DevinfoListing& listing) {
  listing.family5 = s.family5();
  Inventory& inv = listing.inventory;
  if (int rc = read_listing_inventory(s, inv); rc != 0) return rc;
  PathLookup lookup(listing.family5, inv.descriptors, inv.paths);
  listing.rows.reserve(inv.devices.size());
  for (const DeviceRecord& d : inv.devices) {
    DevinfoRow row;
    row.device = &d;
    row.serial = device_serial(lookup, d, &d.SerialNumber);
    row.path_count = d.Paths.empty() ? std::int64_t{d.NumberPaths} : static_cast<std::int64_t>(d.Paths.size());
    listing.rows.push_back(row);
  }
  return 0;
}

const std::string* shown_failback(const DeviceRecord& d) { return d.PolicyName == "FailOver" ? &d.FailbackName : nullptr; }

void print_devinfo(std::ostream& out, const DevinfoListing& listing) {
  if (listing.rows.empty()) return;
  const bool f5 = listing.family5;
  out << "\n";
  if (f5) {
    out << " Device# SerialNumber Policy            nPaths  FailBack\n";
    out << " " << std::string(58, '-') << "\n";
  } else {
    out << " Device# SerialNumber                     Policy            nPaths\n";
    out << " " << std::string(69, '-') << "\n";
  }
  out << std::left;
  for (std::size_t i = 0; i < listing.rows.size(); ++i) {
    const DevinfoRow& row = listing.rows[i];
    out << " " << std::setw(8) << i << std::setw(f5 ? 13 : 33) << text_or_na(row.serial) << std::setw(18)
        << row.device->PolicyName << std::setw(8) << row.path_count;
    if (f5) out << text_or_na(shown_failback(*row.device));
    out << "\n";
  }
  out << "\n" << std::right << std::flush;
}

int devinfo_list(Session& s) {
  DevinfoListing listing;
  if (int rc = gather_devinfo(s, listing); rc != 0) return rc;
  print_devinfo(s.out, listing);
  return 0;
}
