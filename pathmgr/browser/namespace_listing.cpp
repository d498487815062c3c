#include "browser/namespace_listing.h"

#include "browser/instance_text.h"
#include "browser/wmi_error_report.h"
#include "text/text_convert.h"
#include "text/wide_text.h"

namespace {

class TextListing final : public ListingSink {
 public:
  void namespace_line(BrowserContext& ctx, const std::wstring& ns) override {
    ctx.out << WideText{ctx.indentation()} << "<" << WideText{ns} << ">\n";
  }
  void class_line(BrowserContext& ctx, const std::wstring& class_name) override {
    ctx.out << WideText{ctx.indentation()} << WideText{class_name} << "\n";
  }
  void instance(BrowserContext& ctx, const wmi::Object& object) override { print_instance(ctx, object); }
};

}  // namespace

void enum_namespace(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name) {
  TextListing text;
  enum_namespace(ctx, services, class_name, text);
}

void enum_namespace(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name, ListingSink& sink) {
  wmi::ObjectPtr system_class;
  HResult hr = services.get_class(L"__SystemClass", system_class);
  if (hr_failed(hr)) {
    print_wmi_error(ctx, "Could not GetObject of __SystemClass in EnumNamespace", hr);
    return;
  }
  wmi::Value ns;
  hr = system_class->get(L"__NAMESPACE", ns);
  if (hr_failed(hr)) {
    print_wmi_error(ctx, "Could not get __NameSpace property for class", hr);
    return;
  }
  system_class.reset();
  sink.namespace_line(ctx, ns.text);
  ++ctx.indent;

  wmi::ObjectPtr cls;
  hr = services.get_class(class_name, cls);
  if (hr_failed(hr)) {
    ctx.out << std::flush;  // the two streams meet on one console: keep their order
    ctx.err << to_console_text(class_name) << "\n" << std::flush;
    print_wmi_error(ctx, "Could not GetObject of specified class in EnumNamespace", hr);
    return;
  }
  wmi::Value name;
  hr = cls->get(L"__CLASS", name);
  if (hr_failed(hr)) {
    print_wmi_error(ctx, "Could not get __Class property for class", hr);
    return;
  }
  if (name.text.rfind(L"__", 0) == 0) return;  // system classes are not listed
  enum_instances(ctx, services, name.text, sink);
}

void enum_instances(BrowserContext& ctx, wmi::Services& services, const std::wstring& class_name, ListingSink& sink) {
  sink.class_line(ctx, class_name);
  bool first = true;
  HResult end = kS_OK;
  HResult hr = services.enumerate_to_end(
      class_name,
      [&](wmi::Object& instance) {
        if (!first) sink.class_line(ctx, class_name);
        first = false;
        sink.instance(ctx, instance);
        return true;
      },
      end);
  if (hr_failed(hr)) {
    print_wmi_error(ctx, "Couldn't create instance enum", hr);
    return;
  }
  if (end != wmi::kWBEM_S_FALSE) print_wmi_error(ctx, "Could not get next instance", end);
  ctx.out << std::flush;
}

void print_instance(BrowserContext& ctx, const wmi::Object& object) {
  ++ctx.indent;
  // After a reported failure the printer has no text: the instance still ends with
  // its empty line.
  const std::wstring text = object_text(ctx, object, ctx.printer);
  ctx.out << WideText{text} << "\n" << std::flush;
  --ctx.indent;
}
