#include "simstack/registry/sim_registry.h"

#include "hresult.h"
#include "simstack/faults/faults.h"
#include "simstack/state_file/hex_text.h"
#include "text/text_convert.h"

namespace simstack {

namespace {

using registry::Access;
using registry::Key;

constexpr const char* kRoot = "HKLM\\";
constexpr Win32Error kERROR_KEY_DELETED = 1018;

const std::pair<std::uint32_t, const char*> kTypeNames[] = {
    {registry::kREG_NONE, "REG_NONE"},         {registry::kREG_SZ, "REG_SZ"},
    {registry::kREG_EXPAND_SZ, "REG_EXPAND_SZ"}, {registry::kREG_BINARY, "REG_BINARY"},
    {registry::kREG_DWORD, "REG_DWORD"},       {5, "REG_DWORD_BIG_ENDIAN"},
    {6, "REG_LINK"},                           {registry::kREG_MULTI_SZ, "REG_MULTI_SZ"},
    {11, "REG_QWORD"},
};

std::uint32_t type_of(const Json& type, const std::string& where) {
  if (type.IsUint()) return type.GetUint();
  if (type.IsString())
    for (const auto& [number, name] : kTypeNames)
      if (equal_nocase(name, text_of(type))) return number;
  throw StateError(where + ": unknown value type " + json_text(type));
}

// "HKLM\SYSTEM\..." as the file writes it.
std::string key_name(const std::wstring& subkey) { return kRoot + narrow_utf8(subkey); }

const Json* registry_member(const Json& doc, const std::string& path) {
  const Json* reg = member_nocase(doc, "registry");
  if (reg != nullptr && !reg->IsObject()) throw StateError(path + ": \"registry\" is not an object");
  return reg;
}

class SimKey : public Key {
 public:
  SimKey(SimHost& host, std::string key, Access access) : host_(host), key_(std::move(key)), access_(access) {}

  Win32Error query(const std::wstring& name, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
    auto doc = host_.document();
    const Json* reg = registry_member(*doc, host_.path());
    const Json* key = reg != nullptr ? member_nocase(*reg, key_) : nullptr;
    if (key == nullptr) return kERROR_KEY_DELETED;
    const std::string value_name = narrow_utf8(name);
    const Json* stored = member_nocase(*key, value_name);
    if (stored == nullptr) return kERROR_FILE_NOT_FOUND;
    RegistryValue v = registry_value_of(*stored, host_.path() + ": registry value " + key_ + "\\" + value_name);
    if (type != nullptr) *type = v.type;
    const auto needed = static_cast<std::uint32_t>(v.data.size());
    Win32Error rc = kERROR_SUCCESS;
    if (data != nullptr) {
      if (size == nullptr) return kERROR_INVALID_PARAMETER;
      if (*size < needed) rc = kERROR_MORE_DATA;
      else std::copy(v.data.begin(), v.data.end(), data);
    }
    if (size != nullptr) *size = needed;
    return rc;
  }

  Win32Error set(const std::wstring& name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override {
    if (access_ == Access::Read) return kERROR_ACCESS_DENIED;
    if (data == nullptr && size != 0) return kERROR_INVALID_PARAMETER;
    const std::string value_name = narrow_utf8(name);
    const std::vector<std::uint8_t> bytes(data, data + size);
    Win32Error status = kERROR_SUCCESS;
    host_.update([&](JsonDocument& doc) {
      JsonMaker make(doc);
      Json stored = stored_registry_value(doc.GetAllocator(), type, bytes);
      Json* reg = member_nocase(doc, "registry");
      Json* key = reg != nullptr && reg->IsObject() ? member_nocase(*reg, key_) : nullptr;
      if (key == nullptr || !key->IsObject()) status = kERROR_KEY_DELETED;
      else if (holds_name(fault_list(doc, "registry_write"), key_)) status = kERROR_ACCESS_DENIED;
      Json entry = make.object({{"kind", "registry"}, {"key", key_}, {"value", value_name}});
      for (auto it = stored.MemberBegin(); it != stored.MemberEnd(); ++it) make.put(entry, name_of(it), make.copy(it->value));
      make.put(entry, "status", hresult_journal_text(static_cast<HResult>(status)));
      if (status == kERROR_SUCCESS) make.put(*key, value_name, std::move(stored));  // the stored name keeps its case
      make.journal(doc, std::move(entry));
      return true;
    });
    return status;
  }

 private:
  SimHost& host_;
  std::string key_;  // as the file names it
  Access access_;
};

class SimRegistry : public registry::Registry {
 public:
  explicit SimRegistry(SimHost& host) : host_(host) {}

  Win32Error open(const std::wstring& subkey, Access access, std::unique_ptr<Key>& out) override {
    auto doc = host_.document();
    const std::string wanted = key_name(subkey);
    if (holds_name(fault_list(*doc, "registry_open"), wanted)) return kERROR_ACCESS_DENIED;
    const Json* reg = registry_member(*doc, host_.path());
    if (reg == nullptr) return kERROR_FILE_NOT_FOUND;
    for (auto it = reg->MemberBegin(); it != reg->MemberEnd(); ++it)
      if (equal_nocase(name_of(it), wanted)) {
        out = std::make_unique<SimKey>(host_, std::string(name_of(it)), access);
        return kERROR_SUCCESS;
      }
    return kERROR_FILE_NOT_FOUND;
  }

 private:
  SimHost& host_;
};

}  // namespace

std::string registry_type_name(std::uint32_t type) {
  for (const auto& [number, name] : kTypeNames)
    if (number == type) return name;
  return std::to_string(type);
}

RegistryValue registry_value_of(const Json& stored, const std::string& where) {
  const Json* type = member(stored, "type");
  if (type == nullptr) throw StateError(where + ": not a {\"type\", \"data\"} object");
  RegistryValue v;
  v.type = type_of(*type, where);
  if (const Json* raw = member(stored, "hex")) {
    if (!raw->IsString()) throw StateError(where + ": \"hex\" is not a string");
    v.data = bytes_of_hex(std::string(text_of(*raw)), where);
    return v;
  }
  static const Json kNull;
  const Json* found = member(stored, "data");
  const Json& data = found != nullptr ? *found : kNull;
  switch (v.type) {
    case registry::kREG_DWORD: {
      if (!data.IsInt64()) throw StateError(where + ": REG_DWORD data is not a number");
      v.data = registry::dword_bytes(static_cast<std::uint32_t>(data.GetInt64()));
      break;
    }
    case registry::kREG_SZ:
    case registry::kREG_EXPAND_SZ:
      if (!data.IsString()) throw StateError(where + ": string data expected");
      v.data = registry::utf16_bytes(widen_utf8(text_of(data)), true);
      break;
    case registry::kREG_MULTI_SZ: {
      if (!data.IsArray()) throw StateError(where + ": REG_MULTI_SZ data is not a list");
      std::vector<std::wstring> strings;
      for (const auto& s : data.GetArray()) {
        if (!s.IsString()) throw StateError(where + ": REG_MULTI_SZ entry is not a string");
        strings.push_back(widen_utf8(text_of(s)));
      }
      v.data = registry::multi_sz_bytes(strings);
      break;
    }
    default:
      if (!data.IsString()) throw StateError(where + ": data of " + registry_type_name(v.type) + " is not hexadecimal text");
      v.data = bytes_of_hex(std::string(text_of(data)), where);
      break;
  }
  return v;
}

Json stored_registry_value(JsonAllocator& allocator, std::uint32_t type, const std::vector<std::uint8_t>& data) {
  JsonMaker make(allocator);
  Json out = make.object({{"type", registry_type_name(type)}});
  switch (type) {
    case registry::kREG_DWORD:
      if (data.size() == 4) {
        make.put(out, "data", registry::dword_value(data));
        return out;
      }
      break;
    case registry::kREG_SZ:
    case registry::kREG_EXPAND_SZ: {
      // Kept as text when the bytes are exactly that text and its terminator.
      std::wstring text = registry::text_of_utf16(data.data(), data.size());
      if (registry::utf16_bytes(text, true) == data) {
        make.put(out, "data", narrow_utf8(text));
        return out;
      }
      break;
    }
    case registry::kREG_MULTI_SZ: {
      auto strings = registry::multi_sz_strings(data);
      if (registry::multi_sz_bytes(strings) == data) {
        Json list = make.array();
        for (const auto& s : strings) make.push(list, narrow_utf8(s));
        make.put(out, "data", std::move(list));
        return out;
      }
      break;
    }
    case registry::kREG_BINARY: make.put(out, "data", hex_of(data)); return out;
    default: break;
  }
  make.put(out, "hex", hex_of(data));  // bytes that no plain form holds exactly
  return out;
}

std::unique_ptr<registry::Registry> make_sim_registry(SimHost& host) { return std::make_unique<SimRegistry>(host); }

}  // namespace simstack
