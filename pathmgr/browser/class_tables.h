// The classes mpiolist lists, and the printer of each class it meets: a fixed list of
// properties, or every property (an empty list).
#pragma once
#include <array>
#include <span>
#include <string_view>

using PropertyPrinter = std::span<const wchar_t* const>;  // empty: all properties

struct MpiolistClass {
  const char* number;  // what the user may type instead of the name
  const wchar_t* name;
  PropertyPrinter printer;
};

// MpiolistClassTable, in search order.
const std::array<MpiolistClass, 6>& mpiolist_classes();

// The printer of an embedded object by its class (exact name); all properties for
// a class not in the table.
PropertyPrinter embedded_printer(std::wstring_view class_name);
