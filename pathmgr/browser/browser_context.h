// What the WMI browser carries through one listing: where text goes, the backend
// (for the error object of a failed call), the indent level and the printer of the
// listed class.
#pragma once
#include <ostream>
#include <string>

#include "browser/class_tables.h"
#include "wmi/wmi_seam.h"

struct BrowserContext {
  std::ostream& out;
  std::ostream& err;  // standard error: the name of a class that cannot be found
  wmi::Backend& backend;
  int indent = 0;
  PropertyPrinter printer;
  int failures = 0;  // failed calls reported so far

  // Two spaces per indent level, at this level or `levels` below it.
  std::wstring indentation(int levels = 0) const {
    int n = indent - levels;
    return std::wstring(static_cast<std::size_t>(n > 0 ? 2 * n : 0), L' ');
  }
};
