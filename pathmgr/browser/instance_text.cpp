#include "browser/instance_text.h"

#include "browser/value_format.h"
#include "browser/wmi_error_report.h"
#include "text/text_convert.h"
#include "text/wide_text.h"

using wmi::Value;

namespace {

const char* names_failure(wmi::NamesStep step) {
  switch (step) {
    case wmi::NamesStep::LowerBound: return "Couldn't get safe array lbound";
    case wmi::NamesStep::UpperBound: return "Couldn't get safe array ubound";
    case wmi::NamesStep::Element: return "Couldn't get safe array element";
    default: return "Couldn't GetNames";
  }
}

}  // namespace

std::wstring embedded_class(const wmi::Object& object, HResult& hr) {
  Value cls;
  hr = object.get(L"__CLASS", cls);
  return cls.vt == wmi::VT_BSTR ? cls.text : std::wstring();
}

// A system property has no qualifiers, and no key among them.
bool key_property(BrowserContext& ctx, const wmi::Object& object, const std::wstring& name, bool& ok) {
  ok = false;
  std::unique_ptr<wmi::QualifierSet> qualifiers;
  HResult hr = object.property_qualifiers(name, qualifiers);
  if (hr == wmi::kWBEM_E_SYSTEM_PROPERTY) {
    ok = true;
    return false;
  }
  if (hr_failed(hr) || !qualifiers) {
    print_wmi_error(ctx, "Could not GetPropertyQualifierSet", hr);
    return false;
  }
  Value qualifier;
  hr = qualifiers->get(L"CIMTYPE", qualifier);
  if (hr_failed(hr) && hr != kWBEM_E_NOT_FOUND) {
    print_wmi_error(ctx, "Could not get CIMTYPE qualifier", hr);
    return false;
  }
  qualifier = Value{};
  hr = qualifiers->get(L"key", qualifier);
  if (hr == kWBEM_E_NOT_FOUND) {
    ok = true;
    return false;
  }
  if (hr_failed(hr) || qualifier.vt != wmi::VT_BOOL || qualifier.integer == 0) {
    print_wmi_error(ctx, "Could not get key qualifier", hr);  // a key qualifier that is false is no answer either
    return false;
  }
  ok = true;
  return true;
}

bool shown_property_names(BrowserContext& ctx, const wmi::Object& object, PropertyPrinter printer,
                          std::vector<std::wstring>& names) {
  names.clear();
  if (!printer.empty()) {
    names.assign(printer.begin(), printer.end());
    return true;
  }
  std::vector<std::wstring> all;
  wmi::NamesStep step = wmi::NamesStep::GetNames;
  HResult hr = object.get_names(all, step);
  if (hr_failed(hr)) {
    print_wmi_error(ctx, names_failure(step), hr);
    return false;
  }
  for (auto& name : all)
    if (!equal_nocase_ascii(name, L"__SERVER") && !equal_nocase_ascii(name, L"__PATH")) names.push_back(std::move(name));
  return true;
}

std::wstring object_text(BrowserContext& ctx, const wmi::Object& object, PropertyPrinter printer) {
  std::vector<std::wstring> names;
  if (!shown_property_names(ctx, object, printer, names)) return {};
  std::wstring text;
  for (const auto& name : names) text += property_line(ctx, object, name);
  return text;
}

std::wstring property_line(BrowserContext& ctx, const wmi::Object& object, const std::wstring& name) {
  Value value;
  HResult hr = object.get(name, value);
  if (hr_failed(hr)) {
    ctx.out << "Error: property '" << WideText{name} << "' - ";
    print_wmi_error(ctx, "Couldn't get property value", hr);
    return {};
  }
  bool ok = false;
  const bool key = key_property(ctx, object, name, ok);
  if (!ok) return {};
  std::wstring line = ctx.indentation() + name + (key ? L"*" : L"") + L" = ";
  if (value.vt == wmi::VT_UNKNOWN || value.vt == (wmi::VT_ARRAY | wmi::VT_UNKNOWN))
    return line + L"\n" + print_embedded(ctx, value);
  return line + format_value(value.cim_type, value, [&](const Value& v) { return print_embedded(ctx, v); }) + L"\n";
}

std::wstring print_embedded(BrowserContext& ctx, const Value& value) {
  if (value.vt == wmi::VT_UNKNOWN) {
    if (!value.object) return L"<null>";
    HResult hr = kS_OK;
    const std::wstring cls = embedded_class(*value.object, hr);
    ++ctx.indent;
    std::wstring text = object_text(ctx, *value.object, embedded_printer(cls));
    --ctx.indent;
    return text;
  }
  if (value.vt != (wmi::VT_ARRAY | wmi::VT_UNKNOWN)) return L"<conversion error>";
  ++ctx.indent;
  std::wstring text;
  if (value.elements.empty()) text = ctx.indentation() + L"<empty array>\n";
  for (const auto& element : value.elements) {
    if (!element.object) continue;  // a null element: nothing to show
    HResult hr = kS_OK;
    const std::wstring cls = embedded_class(*element.object, hr);
    if (hr_failed(hr)) {
      print_wmi_error(ctx, "Couldn't get class property in enumproperties", hr);
      --ctx.indent;
      return {};
    }
    text += ctx.indentation() + L"instance of " + cls + L" {\n";
    ++ctx.indent;
    text += object_text(ctx, *element.object, embedded_printer(cls));
    text += ctx.indentation(1) + L" }\n";
    --ctx.indent;
  }
  --ctx.indent;
  return text;
}
