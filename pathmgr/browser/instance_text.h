// The text of one object: its property lines (name, "*" for a key, value), with the
// embedded objects nested under them, indented by the listing's level.
#pragma once
#include <string>
#include <vector>

#include "browser/browser_context.h"

// The object's properties by `printer` (all of them for an empty one); empty text
// after a reported failure.
std::wstring object_text(BrowserContext& ctx, const wmi::Object& object, PropertyPrinter printer);

// The names of the properties `printer` shows (every property but __SERVER and
// __PATH for an empty one); false after a reported failure.
bool shown_property_names(BrowserContext& ctx, const wmi::Object& object, PropertyPrinter printer,
                          std::vector<std::wstring>& names);

// Whether the property is a key, from its "key" qualifier; `ok` false after a
// reported failure to read the qualifiers.
bool key_property(BrowserContext& ctx, const wmi::Object& object, const std::wstring& name, bool& ok);

// The class of an embedded object (empty when it cannot be read), for its printer.
std::wstring embedded_class(const wmi::Object& object, HResult& hr);

// One property line; empty after a reported failure.
std::wstring property_line(BrowserContext& ctx, const wmi::Object& object, const std::wstring& name);

// An embedded object, or an array of them with an "instance of" block per element.
std::wstring print_embedded(BrowserContext& ctx, const wmi::Value& value);
