#include "wmi/sim_backend.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <utility>

#include "simstack/driver/driver_model.h"
#include "simstack/faults/faults.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/wmi_provider/instance_lookup.h"
#include "simstack/wmi_provider/machines.h"
#include "simstack/wmi_provider/schemas.h"
#include "simstack/wmi_provider/value_check.h"
#include "text/text_convert.h"
#include "wmi/sim_errors.h"
#include "wmi/sim_qualifiers.h"
#include "wmi/sim_system_properties.h"
#include "wmi/sim_notification.h"

namespace wmi {

namespace {

using simstack::ClassSchema;
using simstack::Json;
using simstack::JsonAllocator;
using simstack::JsonMaker;
using simstack::PropertySchema;
using simstack::SchemaRegistry;
// What keeps a stored value alive: the snapshot it belongs to.
using NodeOwner = std::shared_ptr<const void>;

struct SimContext {
  simstack::SimHost& host;
  SchemaRegistry schemas;  // of this host, or of the other computer a connection reaches
  std::shared_ptr<SimErrorSlot> errors;
};

std::int64_t json_integer(const Json& v) {
  if (v.IsBool()) return v.GetBool() ? 1 : 0;
  if (v.IsUint64()) return static_cast<std::int64_t>(v.GetUint64());
  if (v.IsInt64()) return v.GetInt64();
  if (v.IsDouble()) {
    // A fraction is cut toward zero; a number past the 64-bit range reads as 0, as
    // text that is no number does.
    const double d = v.GetDouble();
    return d >= -9223372036854775808.0 && d < 9223372036854775808.0 ? static_cast<std::int64_t>(d) : 0;
  }
  if (v.IsString()) {
    try {
      return static_cast<std::int64_t>(std::stoll(std::string(simstack::text_of(v)), nullptr, 0));
    } catch (...) {
      return 0;
    }
  }
  return 0;
}

std::wstring text_value(const Json& v) {
  if (v.IsString()) return widen_utf8(simstack::text_of(v));
  if (v.IsUint64()) return std::to_wstring(v.GetUint64());
  if (v.IsInt64()) return std::to_wstring(v.GetInt64());
  if (v.IsBool()) return v.GetBool() ? L"TRUE" : L"FALSE";
  return widen_utf8(simstack::json_text(v));
}

// The stored instance a value belongs to, named when the value is refused: its class
// and index in the instance list, and the embedded class holding the value, if any.
// The names view text that outlives every object (schemas, the document, literals).
struct ValueOrigin {
  std::string_view cls;
  std::size_t index = 0;
  std::string_view embedded;
};

[[noreturn]] void refuse(const SimContext& ctx, const ValueOrigin& o, const PropertySchema& p, const std::string& problem) {
  std::string property = o.embedded.empty() ? p.name : p.name + " (in an embedded " + std::string(o.embedded) + ")";
  throw simstack::wrong_value(ctx.host.path(), o.cls.empty() ? o.embedded : o.cls, o.index, property, problem);
}

// A stored object; `schema` is the class the property declares (resolved once per
// property, not per element), unless the object names its own "__CLASS".
ObjectPtr make_view(const std::shared_ptr<SimContext>& ctx, const NodeOwner& owner, const Json& node,
                    const ClassSchema* schema, std::string_view class_hint, const ValueOrigin& parent = {});

// One value already checked against `p` (or of a class without schema); `cim_type`:
// the property's, worked out once for all the elements of an array. An object is
// served as a view of where it is stored.
Value scalar_value(const std::shared_ptr<SimContext>& ctx, const NodeOwner& owner, const Json& v,
                   const PropertySchema& p, std::int32_t cim_type, const ValueOrigin& origin) {
  if (v.IsNull()) return Value::null();
  Value out;
  out.vt = p.vt;
  out.cim_type = cim_type;
  switch (out.vt) {
    case VT_BSTR: out.text = text_value(v); break;
    case VT_R4:
      // A real32 is a 4-byte float, as the VARIANT holds it.
      out.real = static_cast<float>(v.IsNumber() ? v.GetDouble() : static_cast<double>(json_integer(v)));
      break;
    case VT_R8: out.real = v.IsNumber() ? v.GetDouble() : static_cast<double>(json_integer(v)); break;
    case VT_BOOL: out.integer = json_integer(v) != 0 ? -1 : 0; break;
    case VT_UNKNOWN:
      if (v.IsObject()) out.object = make_view(ctx, owner, v, p.object_schema, p.object_class, origin);
      break;
    default: out.integer = json_integer(v); break;
  }
  return out;
}

// An absent element of an array: a null pointer in an object array, of the element's
// type (`array_cim_type`: the array's).
Value absent_element(std::uint16_t vt, std::int32_t array_cim_type) {
  Value missing;
  missing.vt = vt;
  missing.cim_type = array_cim_type & ~CIM_FLAG_ARRAY;
  return missing;
}

// A stored value as its schema declares it; a value of another shape is refused.
Value typed_value(const std::shared_ptr<SimContext>& ctx, const NodeOwner& owner, const Json& v,
                  const PropertySchema& p, const ValueOrigin& origin, bool checked = false) {
  if (!checked && (!p.is_array || !v.IsArray()))
    if (auto problem = simstack::value_problem(v, p)) refuse(*ctx, origin, p, *problem);
  const std::int32_t cim_type = simstack::cim_type_of(p);
  if (!p.is_array) return scalar_value(ctx, owner, v, p, cim_type, origin);
  if (v.IsNull()) {
    Value null = Value::null();
    null.cim_type = cim_type;
    return null;
  }
  std::vector<Value> elements;
  if (v.IsArray()) {
    elements.reserve(v.Size());
    for (const auto& e : v.GetArray()) {
      if (e.IsNull()) {
        elements.push_back(absent_element(p.vt, cim_type));
      } else {
        if (auto problem = checked ? std::nullopt : simstack::scalar_problem(e, p))
          refuse(*ctx, origin, p, "element " + std::to_string(elements.size()) + ": " + *problem);
        elements.push_back(scalar_value(ctx, owner, e, p, cim_type, origin));
      }
    }
  }
  Value out = Value::array(p.vt, std::move(elements));
  out.cim_type = cim_type;
  return out;
}

// Types of a class without schema, from the JSON value itself.
std::string inferred_base(const Json& v) {
  if (v.IsString()) return "string";
  if (v.IsBool()) return "boolean";
  if (simstack::is_integer(v)) {
    auto n = json_integer(v);
    return (n >= INT32_MIN && n <= INT32_MAX) || (v.IsUint64() && n <= UINT32_MAX) ? "sint32" : "uint64";
  }
  if (v.IsObject()) return "object";
  return "string";
}

PropertySchema inferred_schema(const Json& v) {
  PropertySchema p;
  std::string base = "sint32";
  if (v.IsArray()) {
    p.is_array = true;
    for (const auto& e : v.GetArray())
      if (!e.IsNull()) {
        base = inferred_base(e);
        break;
      }
  } else {
    base = inferred_base(v);
  }
  simstack::set_base_type(p, std::move(base));
  return p;
}

bool is_system_member(std::string_view name) { return name.rfind("__", 0) == 0; }

class SimObject : public Object {
 public:
  // `node`: the stored instance or embedded object (null for class objects and new
  // ones); `class_name` views text that outlives the object: a schema's name, a member
  // of the document it keeps, or a literal.
  SimObject(std::shared_ptr<SimContext> ctx, NodeOwner owner, const Json* node, const ClassSchema* schema,
            std::string_view class_name, bool is_class, ValueOrigin value_origin = {})
      : ctx_(std::move(ctx)), owner_(std::move(owner)), node_(node), schema_(schema), class_name_(class_name),
        is_class_(is_class), value_origin_(value_origin) {}

  // For a class known by instances only: the object keeps its own copy of the name.
  void own_class_name(std::string name) {
    owned_name_ = std::make_shared<const std::string>(std::move(name));
    class_name_ = *owned_name_;
  }

  void own_schema(std::shared_ptr<ClassSchema> schema) {
    owned_schema_ = std::move(schema);
    schema_ = owned_schema_.get();
  }

  // An instance or class object served by a connection (embedded objects have none).
  void set_origin(std::shared_ptr<const SimOrigin> origin) { origin_ = std::move(origin); }

  std::wstring class_name() const override { return widen_utf8(class_name_); }

  HResult get(std::wstring_view wname, Value& out) const override {
    // Property names are short ASCII words: narrowed on the stack, no allocation.
    char buffer[64];
    std::string fallback;
    std::string_view name;
    if (wname.size() <= sizeof buffer &&
        std::all_of(wname.begin(), wname.end(), [](wchar_t c) { return c > 0 && c < 0x80; })) {
      std::transform(wname.begin(), wname.end(), buffer, [](wchar_t c) { return static_cast<char>(c); });
      name = std::string_view(buffer, wname.size());
    } else {
      fallback = narrow_utf8(std::wstring(wname));
      name = fallback;
    }
    if (is_system_property(name)) return system_property(name, view(), out);
    for (const auto& [n, v] : puts_)
      if (simstack::equal_nocase(n, name)) {
        out = v;
        return kS_OK;
      }
    const PropertySchema* p = schema_ != nullptr ? schema_->find_property(name) : nullptr;
    const Json* value = node_ != nullptr ? simstack::member_nocase(*node_, name) : nullptr;
    if (schema_ != nullptr && p == nullptr && value == nullptr) return kWBEM_E_NOT_FOUND;
    if (value == nullptr) {
      // A spawned instance or class object holds NULL; a stored instance that leaves
      // the property out serves it as VT_EMPTY.
      out = node_ == nullptr ? Value::null() : Value::empty();
      return kS_OK;
    }
    out = p != nullptr ? typed_value(ctx_, owner_, *value, *p, value_origin_)
                       : typed_value(ctx_, owner_, *value, inferred_schema(*value), value_origin_, true);
    return kS_OK;
  }

  HResult put(const std::wstring& wname, const Value& value) override {
    auto name = narrow_utf8(wname);
    if (schema_ != nullptr) {
      const PropertySchema* p = schema_->find_property(name);
      if (p == nullptr) return kWBEM_E_NOT_FOUND;
      if (!value.is_missing()) {
        bool wants_object = p->base_type == "object";
        bool is_object = value.element_type() == VT_UNKNOWN;
        if (wants_object != is_object || p->is_array != value.is_array()) return kWBEM_E_TYPE_MISMATCH;
      }
      name = p->name;
    }
    for (auto& [n, v] : puts_)
      if (n == name) {
        v = value;
        return kS_OK;
      }
    puts_.emplace_back(name, value);
    return kS_OK;
  }

  HResult property_qualifiers(std::wstring_view wname, std::unique_ptr<QualifierSet>& out) const override {
    out.reset();
    const std::string name = narrow_utf8(std::wstring(wname));
    if (is_system_property(name)) {
      Value ignored;
      return hr_failed(system_property(name, view(), ignored)) ? kWBEM_E_NOT_FOUND : kWBEM_E_SYSTEM_PROPERTY;
    }
    if (const PropertySchema* p = schema_ != nullptr ? schema_->find_property(name) : nullptr) {
      out = make_property_qualifiers(*p);
      return kS_OK;
    }
    const Json* value = schema_ == nullptr && node_ != nullptr ? simstack::member_nocase(*node_, name) : nullptr;
    if (value == nullptr) return kWBEM_E_NOT_FOUND;
    out = make_property_qualifiers(inferred_schema(*value));
    return kS_OK;
  }

  HResult inherits_from(std::wstring_view ancestor) const override {
    return simstack::equal_nocase(narrow_utf8(std::wstring(ancestor)), class_name_) ? kS_OK : kWBEM_S_FALSE;
  }

  std::vector<std::wstring> property_names() const override {
    std::vector<std::wstring> names;
    if (schema_ != nullptr) {
      for (const auto& p : schema_->properties) names.push_back(widen_utf8(p.name));
      return names;
    }
    auto add = [&names](const std::string& n) {
      auto w = widen_utf8(n);
      if (std::find(names.begin(), names.end(), w) == names.end()) names.push_back(std::move(w));
    };
    // The stored members in the order the file gives them, each name once.
    if (node_ != nullptr && node_->IsObject())
      for (auto m = node_->MemberBegin(); m != node_->MemberEnd(); ++m)
        if (!is_system_member(simstack::name_of(m))) add(std::string(simstack::name_of(m)));
    for (const auto& [n, v] : puts_) add(n);
    return names;
  }

  HResult spawn_instance(std::shared_ptr<Object>& out) const override {
    if (!is_class_) return kWBEM_E_FAILED;
    auto obj = std::make_shared<SimObject>(ctx_, nullptr, nullptr, schema_, class_name_, false);
    obj->owned_schema_ = owned_schema_;
    obj->origin_ = origin_;
    obj->owned_name_ = owned_name_;
    out = obj;
    return kS_OK;
  }

  HResult get_method(const std::wstring& wname, std::shared_ptr<Object>& in_class) const override {
    in_class.reset();
    const simstack::MethodSchema* m = schema_ != nullptr ? schema_->find_method(narrow_utf8(wname)) : nullptr;
    if (m == nullptr) return kWBEM_E_NOT_FOUND;
    if (!m->has_in) return kS_OK;
    auto params = std::make_shared<ClassSchema>();
    params->name = "__PARAMETERS";
    params->properties = m->in;
    auto obj = std::make_shared<SimObject>(ctx_, nullptr, nullptr, nullptr, "__PARAMETERS", true);
    obj->own_schema(params);
    in_class = obj;
    return kS_OK;
  }

  const std::vector<std::pair<std::string, Value>>& puts() const { return puts_; }

  static std::shared_ptr<SimObject> out_params(const std::shared_ptr<SimContext>& ctx,
                                               const simstack::MethodSchema& m) {
    auto params = std::make_shared<ClassSchema>();
    params->name = "__PARAMETERS";
    params->properties = m.out;
    auto obj = std::make_shared<SimObject>(ctx, nullptr, nullptr, nullptr, "__PARAMETERS", false);
    obj->own_schema(params);
    if (params->find_property("Status") != nullptr) obj->put(L"Status", Value::i4(0));
    return obj;
  }

 private:
  SimObjectView view() const { return {class_name_, schema_, node_, origin_.get(), is_class_}; }

  std::shared_ptr<SimContext> ctx_;
  NodeOwner owner_;
  std::shared_ptr<const SimOrigin> origin_;
  const Json* node_;
  const ClassSchema* schema_;
  std::shared_ptr<ClassSchema> owned_schema_;
  std::shared_ptr<const std::string> owned_name_;
  std::string_view class_name_;
  bool is_class_;
  ValueOrigin value_origin_;
  std::vector<std::pair<std::string, Value>> puts_;
};

ObjectPtr make_view(const std::shared_ptr<SimContext>& ctx, const NodeOwner& owner, const Json& node,
                    const ClassSchema* schema, std::string_view class_hint, const ValueOrigin& parent) {
  std::string_view cls = class_hint;
  if (const Json* named = simstack::member(node, "__CLASS"); named != nullptr && named->IsString()) {
    cls = simstack::text_of(*named);
    schema = ctx->schemas.find_any(std::string(cls));
  }
  if (schema != nullptr) cls = schema->name;
  return std::make_shared<SimObject>(ctx, owner, &node, schema, cls, false, ValueOrigin{parent.cls, parent.index, cls});
}

Json value_to_journal(const JsonMaker& make, const Value& v);

// The journal form of an object: its class (for an embedded one), the VARIANT type of
// each property put, and the values in the order they were put.
Json object_to_journal(const JsonMaker& make, const Object& object, bool with_class) {
  Json out = make.object();
  auto* sim = dynamic_cast<const SimObject*>(&object);
  if (with_class) make.put(out, "__CLASS", narrow_utf8(object.class_name()));
  Json types = make.object();
  if (sim != nullptr)
    for (const auto& [name, value] : sim->puts()) make.put(types, name, vartype_name(value.vt));
  if (with_class) make.put(out, "__VT", make.copy(types));
  if (sim != nullptr)
    for (const auto& [name, value] : sim->puts()) make.put(out, name, value_to_journal(make, value));
  if (!with_class) make.put(out, "__VT", std::move(types));
  return out;
}

Json scalar_to_journal(const JsonMaker& make, const Value& v, std::uint16_t vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return Json();
    case VT_BSTR: return make.text(narrow_utf8(v.text));
    case VT_BOOL: return Json(v.integer != 0);
    case VT_R4:
    case VT_R8:
    case VT_DATE: return Json(v.real);
    case VT_UNKNOWN: return v.object ? object_to_journal(make, *v.object, true) : Json();
    default: return Json(static_cast<std::int64_t>(v.integer));
  }
}

Json value_to_journal(const JsonMaker& make, const Value& v) {
  if (!v.is_array()) return scalar_to_journal(make, v, v.vt);
  Json arr = make.array();
  for (const auto& e : v.elements) make.push(arr, scalar_to_journal(make, e, v.element_type()));
  return arr;
}

// A class's instance list when the member is one, else null.
const Json* as_instance_list(const Json* list) { return list != nullptr && list->IsArray() ? list : nullptr; }

// The class WMI answers GetObject("__SystemClass") with: system properties only.
const ClassSchema& system_class_schema() {
  static const ClassSchema schema{"__SystemClass", {}, {}};
  return schema;
}

class SimServices : public Services {
 public:
  // `machine`: the "machines" entry of another computer, which serves its own "wmi"
  // member when it has one (kept alive by `doc`); null for this host.
  SimServices(std::shared_ptr<SimContext> ctx, std::string ns, std::string path, SimOrigin origin,
              NodeOwner doc = nullptr, const Json* machine = nullptr)
      : ctx_(std::move(ctx)), ns_(std::move(ns)), path_(std::move(path)),
        origin_(std::make_shared<const SimOrigin>(std::move(origin))), doc_(std::move(doc)), machine_(machine) {}
  const std::string& ns() const { return ns_; }
  // The namespace as ConnectServer named it (with the computer, for another one).
  const std::string& path() const { return path_; }

  HResult enumerate(const std::wstring& wclass, const InstanceVisitor& visit) override {
    HResult end = kS_OK;
    return enumerate_to_end(wclass, visit, end);
  }

  HResult enumerate_to_end(const std::wstring& wclass, const InstanceVisitor& visit, HResult& end) override {
    ctx_->errors->clear();
    end = kS_OK;
    auto snapshot = ctx_->host.snapshot();  // kept alive by the objects
    const Json& doc = snapshot->json();
    auto cls = narrow_utf8(wclass);
    if (auto fault = simstack::enumerate_fault(doc, ns_, cls, true)) {
      ctx_->errors->set(fault->hr, "CreateInstanceEnum", cls, kDriverProvider, fault->description);
      return fault->hr;
    }
    const ClassSchema* schema = ctx_->schemas.find(ns_, cls);
    const Json* list = instance_list(cls);
    if (list == nullptr && schema == nullptr) {
      ctx_->errors->set(kWBEM_E_INVALID_CLASS, "CreateInstanceEnum", cls, kWmiCoreProvider);
      return kWBEM_E_INVALID_CLASS;
    }
    auto broken = simstack::enumerate_fault(doc, ns_, cls, false);
    std::string name = schema != nullptr ? schema->name : cls;
    const std::string_view value_class = schema != nullptr ? std::string_view(schema->name) : std::string_view();
    const NodeOwner owner = doc_ ? doc_ : NodeOwner(snapshot);
    std::size_t delivered = 0;
    for (rapidjson::SizeType i = 0; list != nullptr && i < list->Size(); ++i) {
      const Json& node = (*list)[i];
      simstack::check_instance(node, name, i, ctx_->host.path());
      if (broken && delivered == *broken->after) break;
      SimObject instance(ctx_, owner, &node, schema, name, false, ValueOrigin{value_class, i, {}});
      instance.set_origin(origin_);
      ++delivered;
      if (!visit(instance)) return kS_OK;
    }
    end = kWBEM_S_FALSE;
    if (broken && delivered == *broken->after) {
      end = broken->hr;
      ctx_->errors->set(broken->hr, "CreateInstanceEnum", cls, kDriverProvider, broken->description);
    }
    return kS_OK;
  }

  HResult get_class(const std::wstring& wclass, ObjectPtr& out) override {
    ctx_->errors->clear();
    auto cls = narrow_utf8(wclass);
    const ClassSchema* schema =
        simstack::equal_nocase(cls, system_class_schema().name) ? &system_class_schema() : ctx_->schemas.find(ns_, cls);
    if (schema == nullptr && instance_list(cls) == nullptr) {
      ctx_->errors->set(kWBEM_E_NOT_FOUND, "GetObject", cls, kWmiCoreProvider);
      return kWBEM_E_NOT_FOUND;
    }
    auto obj = std::make_shared<SimObject>(ctx_, nullptr, nullptr, schema,
                                           schema != nullptr ? std::string_view(schema->name) : std::string_view(), true);
    if (schema == nullptr) obj->own_class_name(cls);  // known by instances only
    obj->set_origin(origin_);
    out = obj;
    return kS_OK;
  }

  HResult exec_method(const std::wstring& path, const std::wstring& wmethod, const Object* in,
                      ObjectPtr* out) override {
    ctx_->errors->clear();
    std::wstring wclass, wkey, wvalue;
    if (!parse_object_path(path, wclass, wkey, wvalue)) return kWBEM_E_INVALID_OBJECT_PATH;
    if (machine_ != nullptr) return kWBEM_E_NOT_SUPPORTED;  // another computer's own classes are read-only
    auto cls = narrow_utf8(wclass);
    auto method = narrow_utf8(wmethod);
    const ClassSchema* schema = ctx_->schemas.find(ns_, cls);
    const simstack::MethodSchema* m = schema != nullptr ? schema->find_method(method) : nullptr;
    if (m == nullptr) return kWBEM_E_INVALID_METHOD;
    auto key = narrow_utf8(wkey);
    auto value = narrow_utf8(wvalue);
    HResult status = kS_OK;
    ctx_->host.update([&](simstack::JsonDocument& doc) {
      const JsonMaker make(doc);
      Json in_json = in != nullptr ? object_to_journal(make, *in, false) : Json();
      status = run_method(doc, schema->name, m->name, key, value, in != nullptr ? &in_json : nullptr);
      Json entry = make.object({{"kind", "method"}, {"namespace", ns_}, {"path", narrow_utf8(path)},
                                {"method", m->name}, {"status", hresult_journal_text(status)}});
      if (in != nullptr) make.put(entry, "in", std::move(in_json));  // used by the method above, no more
      make.journal(doc, std::move(entry));
      return true;
    });
    if (out != nullptr) {
      out->reset();
      if (!hr_failed(status) && m->has_out) *out = SimObject::out_params(ctx_, *m);
    }
    if (hr_failed(status)) ctx_->errors->set(status, "ExecMethod", narrow_utf8(path), kDriverProvider);
    return status;
  }

  HResult exec_notification_query_async(const std::wstring& query, std::shared_ptr<NotificationSink> sink,
                                        std::unique_ptr<Subscription>& out) override {
    auto ctx = ctx_;
    const ClassSchema* schema = ctx_->schemas.find(ns_, "MPIO_EventEntry");
    return start_event_delivery(ctx_->host, ns_, query, std::move(sink),
                                [ctx, schema](const NodeOwner& log, const Json& event) {
                                  return make_view(ctx, log, event, schema, "MPIO_EventEntry");
                                },
                                out);
  }

 private:
  // The class's instance list: of this host (a namespace, "instances" member or list of
  // the wrong JSON type is refused), or of the other computer (taken as absent then).
  const Json* instance_list(const std::string& cls) const {
    if (machine_ != nullptr) return as_instance_list(simstack::find_instance_list(*machine_, ns_, cls));
    auto snapshot = ctx_->host.snapshot();
    simstack::check_namespace_members(snapshot->json(), ns_, ctx_->host.path());
    return simstack::checked_instance_list(simstack::find_instance_list(snapshot->json(), ns_, cls), cls,
                                           ctx_->host.path());
  }

  HResult run_method(simstack::JsonDocument& doc, const std::string& cls, const std::string& method,
                     const std::string& key, const std::string& value, const Json* in) {
    const Json* list = as_instance_list(simstack::find_instance_list(doc, ns_, cls));
    if (list == nullptr || simstack::find_keyed_instance(*list, key, value) == nullptr) return kWBEM_E_NOT_FOUND;
    if (auto fault = simstack::take_method_fault(doc, method, value)) return *fault;
    return simstack::apply_driver_method(doc, {ns_, cls, method, value, in});
  }

  std::shared_ptr<SimContext> ctx_;
  std::string ns_;
  std::string path_;
  std::shared_ptr<const SimOrigin> origin_;
  NodeOwner doc_;
  const Json* machine_;
};

// The namespace as the host file spells it (ROOT\WMI), else in capitals, as WMI
// reports __NAMESPACE in its own spelling whatever case the caller used.
std::string namespace_spelling(const Json& doc, const std::string& ns) {
  if (const Json* wmi = simstack::member_nocase(doc, "wmi"); wmi != nullptr && wmi->IsObject())
    for (auto it = wmi->MemberBegin(); it != wmi->MemberEnd(); ++it)
      if (simstack::equal_nocase(simstack::name_of(it), ns)) return std::string(simstack::name_of(it));
  std::string upper = ns;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Overwrites a copy of a password before it is freed.
void wipe(std::string& secret) {
  volatile char* p = secret.data();
  for (std::size_t i = 0; i < secret.size(); ++i) p[i] = '\0';
}

// Start-up steps 1 to 3 belong to the process's first connection, the one to ROOT\WMI.
constexpr const char* kStartupNamespace = "ROOT\\WMI";

class SimBackend : public Backend {
 public:
  explicit SimBackend(simstack::SimHost& host)
      : ctx_(std::make_shared<SimContext>(
            SimContext{host, SchemaRegistry(*host.document(), host.path()), std::make_shared<SimErrorSlot>()})) {}

  HResult initialize_com() override { return step_fault(kStartupNamespace, "CoInitializeEx"); }
  HResult initialize_security() override { return step_fault(kStartupNamespace, "CoInitializeSecurity"); }
  HResult create_locator(const std::wstring& ns) override { return step_fault(narrow_utf8(ns), "CoCreateInstance"); }

  // A namespace of this host, or of another computer of the "machines" member; the
  // password is compared and wiped, never kept or written.
  HResult connect_server(const std::wstring& wpath, const std::wstring& user, const std::wstring& password,
                         std::unique_ptr<Services>& out) override {
    ctx_->errors->clear();
    auto path = narrow_utf8(wpath);
    if (HResult hr = step_fault(path, "ConnectServer"); hr_failed(hr)) return hr;
    auto doc = ctx_->host.document();
    simstack::MachineTarget target;
    std::string secret = narrow_utf8(password);
    HResult hr = simstack::resolve_machine(*doc, path, narrow_utf8(user), secret, target);
    wipe(secret);
    if (hr_failed(hr)) return hr;
    const bool own_wmi = target.machine != nullptr && simstack::member_nocase(*target.machine, "wmi") != nullptr;
    const Json& served = own_wmi ? *target.machine : *doc;
    if (!known_namespace(served, target.ns)) return kWBEM_E_INVALID_NAMESPACE;
    auto ctx = own_wmi ? std::make_shared<SimContext>(SimContext{ctx_->host, SchemaRegistry(served, ctx_->host.path()), ctx_->errors}) : ctx_;
    SimOrigin origin{target.server, namespace_spelling(served, target.ns)};
    // Another computer's classes live in this snapshot, which the services keep; this
    // host's are read from the current snapshot at each call.
    out = own_wmi ? std::make_unique<SimServices>(ctx, target.ns, path, std::move(origin), doc, target.machine)
                  : std::make_unique<SimServices>(ctx, target.ns, path, std::move(origin));
    return kS_OK;
  }

  HResult set_proxy_blanket(Services& services) override {
    auto* sim = dynamic_cast<SimServices*>(&services);
    return step_fault(sim != nullptr ? sim->path() : std::string(), "CoSetProxyBlanket");
  }

  void release_locator() override {}
  void uninitialize_com() override {}
  ObjectPtr take_error_object() override { return ctx_->errors->take(); }

 private:
  HResult step_fault(const std::string& ns, const char* step) {
    auto hr = simstack::connect_fault(*ctx_->host.document(), ns, step);
    return hr ? *hr : kS_OK;
  }

  static bool known_namespace(const Json& served, const std::string& ns) {
    if (simstack::equal_nocase(ns, "ROOT\\WMI") || simstack::equal_nocase(ns, "ROOT\\CIMV2")) return true;
    return simstack::find_wmi_namespace(served, ns) != nullptr;
  }

  std::shared_ptr<SimContext> ctx_;
};

}  // namespace

std::unique_ptr<Backend> make_sim_backend(simstack::SimHost& host) { return std::make_unique<SimBackend>(host); }

Json journal_form(const Object& object, bool with_class, simstack::JsonAllocator& allocator) {
  return object_to_journal(JsonMaker(allocator), object, with_class);
}

bool parse_object_path(const std::wstring& path, std::wstring& class_name, std::wstring& key_name,
                       std::wstring& key_value) {
  auto dot = path.find(L'.');
  auto eq = path.find(L'=', dot == std::wstring::npos ? 0 : dot);
  if (dot == std::wstring::npos || eq == std::wstring::npos || dot == 0) return false;
  class_name = path.substr(0, dot);
  key_name = path.substr(dot + 1, eq - dot - 1);
  std::wstring rest = path.substr(eq + 1);
  if (rest.size() < 2 || rest.front() != L'"' || rest.back() != L'"') return false;
  key_value.clear();
  for (std::size_t i = 1; i + 1 < rest.size(); ++i) {
    wchar_t c = rest[i];
    if (c == L'\\') {
      if (i + 2 >= rest.size()) return false;  // a lone backslash before the closing quote
      c = rest[++i];
      if (c != L'\\' && c != L'"') return false;
    } else if (c == L'"') {
      return false;
    }
    key_value += c;
  }
  return !key_name.empty();
}

}  // namespace wmi
