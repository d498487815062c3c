// The WMI browser's listing as a document: each instance's properties as values, the
// embedded objects nested, the key properties named.
#include "browser/browser_connection.h"
#include "browser/instance_text.h"
#include "browser/mpiolist_args.h"
#include "browser/namespace_listing.h"
#include "browser/value_format.h"
#include "browser/wmi_error_report.h"
#include "output/document.h"
#include "output/report_documents.h"
#include "text/text_convert.h"
#include "text/wide_text.h"

namespace {

using wmi::Value;

bool is_64bit_text(std::int32_t cim) {
  const std::int32_t base = cim & ~wmi::CIM_FLAG_ARRAY;
  return base == wmi::CIM_SINT64 || base == wmi::CIM_UINT64;
}

void write_object(JsonText& json, BrowserContext& ctx, const wmi::Object& object, const std::wstring& cls,
                  PropertyPrinter printer);

// An embedded object by its own class and that class's printer; null when absent.
void write_embedded(JsonText& json, BrowserContext& ctx, const Value& value) {
  if (!value.object) {
    json.null();
    return;
  }
  HResult hr = kS_OK;
  const std::wstring cls = embedded_class(*value.object, hr);
  if (hr_failed(hr)) {
    print_wmi_error(ctx, "Couldn't get class property in enumproperties", hr);
    json.null();
    return;
  }
  write_object(json, ctx, *value.object, cls, embedded_printer(cls));
}

// One scalar or element of the VARIANT type `vt`; 64-bit integers, which WMI serves
// as decimal text, as numbers.
void write_scalar(JsonText& json, BrowserContext& ctx, std::uint16_t vt, std::int32_t cim, const Value& v) {
  switch (vt) {
    case wmi::VT_EMPTY:
    case wmi::VT_NULL: json.null(); return;
    case wmi::VT_BOOL: json.boolean(v.integer != 0); return;
    case wmi::VT_UI8: json.number(static_cast<std::uint64_t>(v.integer)); return;
    case wmi::VT_I1:
    case wmi::VT_I2:
    case wmi::VT_I4:
    case wmi::VT_I8:
    case wmi::VT_INT:
    case wmi::VT_UI1:
    case wmi::VT_UI2:
    case wmi::VT_UI4:
    case wmi::VT_UINT: json.number(v.integer); return;
    case wmi::VT_R4:
    case wmi::VT_R8: json.real(v.real); return;
    case wmi::VT_BSTR:
      if (!is_64bit_text(cim)) {
        json.wide(v.text);
      } else {
        const bool is_unsigned = (cim & ~wmi::CIM_FLAG_ARRAY) == wmi::CIM_UINT64;
        const std::uint64_t bits = cim64_bits(v.text, is_unsigned);
        if (is_unsigned) json.number(bits);
        else json.number(static_cast<std::int64_t>(bits));
      }
      return;
    case wmi::VT_UNKNOWN: write_embedded(json, ctx, v); return;
    default: json.null(); return;  // no value JSON can hold
  }
}

void write_value(JsonText& json, BrowserContext& ctx, const Value& value) {
  if (!value.is_array()) {
    write_scalar(json, ctx, value.vt, value.cim_type, value);
    return;
  }
  json.begin_array();
  for (const Value& element : value.elements) {
    // Under VT_ARRAY|VT_VARIANT each element carries its own type.
    const std::uint16_t vt = value.element_type() == wmi::VT_VARIANT ? element.vt : value.element_type();
    write_scalar(json, ctx, vt, value.cim_type, element);
  }
  json.end_array();
}

// {"class": ..., "keys": [the key properties], "properties": {name: value, ...}}; a
// property that cannot be read is reported and left out, as in the text.
void write_object(JsonText& json, BrowserContext& ctx, const wmi::Object& object, const std::wstring& cls,
                  PropertyPrinter printer) {
  json.begin_object();
  json.key("class");
  json.wide(cls);
  std::vector<std::wstring> names;
  shown_property_names(ctx, object, printer, names);
  std::vector<std::wstring> keys;
  json.key("properties");
  json.begin_object();
  for (const std::wstring& name : names) {
    Value value;
    if (HResult hr = object.get(name, value); hr_failed(hr)) {
      ctx.out << "Error: property '" << WideText{name} << "' - ";
      print_wmi_error(ctx, "Couldn't get property value", hr);
      continue;
    }
    bool ok = false;
    if (key_property(ctx, object, name, ok)) keys.push_back(name);
    if (!ok) continue;
    json.key(narrow_utf8(name));
    write_value(json, ctx, value);
  }
  json.end_object();
  json.key("keys");
  json.begin_array();
  for (const std::wstring& key : keys) json.wide(key);
  json.end_array();
  json.end_object();
}

// The listing's walk, written as the document's members.
class DocumentListing final : public ListingSink {
 public:
  explicit DocumentListing(JsonText& json) : json_(json) {}
  void namespace_line(BrowserContext&, const std::wstring& ns) override { ns_ = ns; }
  void class_line(BrowserContext&, const std::wstring& class_name) override { class_ = class_name; }
  void instance(BrowserContext& ctx, const wmi::Object& object) override {
    if (!started_) {
      json_.key("instances");
      json_.begin_array();
      started_ = true;
    }
    write_object(json_, ctx, object, class_, ctx.printer);
  }
  // Closes the instance list (an empty one when no instance came).
  void finish() {
    if (!started_) {
      json_.key("instances");
      json_.begin_array();
    }
    json_.end_array();
    json_.key("namespace");
    if (ns_) json_.wide(*ns_);
    else json_.null();
  }

 private:
  JsonText& json_;
  std::optional<std::wstring> ns_;
  std::wstring class_;
  bool started_ = false;
};

}  // namespace

int mpiolist_document(Session& s, JsonOutput& output, const Words& words, std::ostream& err) {
  MpiolistRequest request;
  if (parse_mpiolist_arguments(s.out, words, request) != 0 || s.backend == nullptr) {
    output.stage(error_document({"usage", words.empty() ? std::string() : words[0], 0, output.take_text(), s.major_version}));
    return 0;
  }
  JsonText json;
  begin_document(json, kReportFormat, "mpiolist", s);
  json.key("class");
  json.wide(request.listed->name);
  json.key("computer");
  if (words.size() >= 3) json.typed(words[2]);
  else json.null();
  json.key("user");
  if (words.size() == 5) json.typed(words[3]);
  else json.null();
  BrowserContext ctx{s.out, err, *s.backend, 0, request.listed->printer};
  DocumentListing listing(json);
  if (auto services = connect_namespace(ctx, request)) enum_namespace(ctx, *services, request.listed->name, listing);
  listing.finish();
  json.key("complete");
  json.boolean(ctx.failures == 0);
  stage_document(json, output);
  return 0;
}
