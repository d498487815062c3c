// The listing of one class in the browser's namespace: the namespace line, then a
// class line and the property lines of each instance.
#pragma once
#include <string>

#include "browser/browser_context.h"

// EnumNamespace: the namespace of the connection, then the class's instances.
void enum_namespace(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name);
void enum_instances(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name);
void print_instance(BrowserContext& ctx, const wmi::Object& object);
