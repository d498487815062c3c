// The text of one object: its property lines (name, "*" for a key, value), with the
// embedded objects nested under them, indented by the listing's level.
#pragma once
#include <string>

#include "browser/browser_context.h"

// The object's properties by `printer` (all of them for an empty one); empty text
// after a reported failure.
std::wstring object_text(BrowserContext& ctx, const wmi::Object& object, PropertyPrinter printer);

// One property line; empty after a reported failure.
std::wstring property_line(BrowserContext& ctx, const wmi::Object& object, const std::wstring& name);

// An embedded object, or an array of them with an "instance of" block per element.
std::wstring print_embedded(BrowserContext& ctx, const wmi::Value& value);
