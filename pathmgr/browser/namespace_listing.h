// The listing of one class in the browser's namespace: the namespace line, then a
// class line and the property lines of each instance.
#pragma once
#include <string>

#include "browser/browser_context.h"

// What a listing shows as it walks the namespace: the text tree, or another form of
// the same walk.
class ListingSink {
 public:
  virtual ~ListingSink() = default;
  virtual void namespace_line(BrowserContext& ctx, const std::wstring& ns) = 0;
  // Before the first instance (also when there is none), and again before each later one.
  virtual void class_line(BrowserContext& ctx, const std::wstring& class_name) = 0;
  virtual void instance(BrowserContext& ctx, const wmi::Object& object) = 0;
};

// EnumNamespace: the namespace of the connection, then the class's instances, shown
// by `sink`; failures are reported in the context's text as they happen.
void enum_namespace(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name, ListingSink& sink);
// The same as the text tree.
void enum_namespace(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name);
void enum_instances(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name, ListingSink& sink);
void print_instance(BrowserContext& ctx, const wmi::Object& object);
