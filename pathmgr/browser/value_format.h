// A property value as the WMI browser prints it, by its VARIANT type and CIM type.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "wmi/wmi_value.h"

// The text of an embedded object or an array of them (the listing's indentation).
using EmbeddedFormatter = std::function<std::wstring(const wmi::Value&)>;

// Scalars and one-dimensional arrays of the types WMI serves; "<conversion error>"
// for any other type. 64-bit integers arrive as decimal text with the CIM type
// CIM_SINT64 or CIM_UINT64 and print as hexadecimal.
std::wstring format_value(std::int32_t cim_type, const wmi::Value& value, const EmbeddedFormatter& embedded);

// The 64-bit pattern of a decimal text: leading blanks and a sign allowed, digits up
// to the first other character, a signed value saturating at the limits of its type.
std::uint64_t cim64_bits(const std::wstring& text, bool is_unsigned);
