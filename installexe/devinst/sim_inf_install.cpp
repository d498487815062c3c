#include "devinst/sim_inf_install.h"

#include <filesystem>

#include "devinst/sim_locked_files.h"
#include "registry/registry.h"
#include "simstack/registry/sim_registry.h"
#include "simstack/state_file/json.h"
#include "text/text_convert.h"

namespace devinst {

namespace {

using simstack::Json;
using simstack::JsonDocument;
using simstack::JsonMaker;

// Registry flags of AddReg and DelReg lines.
constexpr std::uint32_t kFLG_ADDREG_BINVALUETYPE = 0x1;
constexpr std::uint32_t kFLG_ADDREG_NOCLOBBER = 0x2;
constexpr std::uint32_t kFLG_ADDREG_DELVAL = 0x4;
constexpr std::uint32_t kFLG_ADDREG_APPEND = 0x8;
constexpr std::uint32_t kFLG_ADDREG_KEYONLY = 0x10;
constexpr std::uint32_t kFLG_ADDREG_TYPE_MULTI_SZ = 0x00010000;
constexpr std::uint32_t kFLG_ADDREG_TYPE_EXPAND_SZ = 0x00020000;
constexpr std::uint32_t kFLG_ADDREG_TYPE_DWORD = 0x00010001;
constexpr std::uint32_t kFLG_DELREG_MULTI_SZ_DELSTRING = 0x00018002;

std::wstring field(const inf::Line& line, std::size_t n) { return n <= line.fields.size() ? line.fields[n - 1] : L""; }
std::uint32_t int_of(const inf::Line& line, std::size_t n) {
  return static_cast<std::uint32_t>(inf::parse_int(field(line, n)).value_or(0));
}

// The document's "registry" member (made an object when it is none).
Json& registry_of(JsonDocument& doc) {
  Json& reg = JsonMaker(doc).child(doc, "registry", JsonMaker(doc).object());
  if (!reg.IsObject()) reg.SetObject();
  return reg;
}

// The registry key "HKLM\<subkey>" of the document, created when asked.
Json* registry_key(JsonDocument& doc, const std::wstring& subkey, bool create) {
  Json& reg = registry_of(doc);
  const std::string name = "HKLM\\" + narrow_utf8(subkey);
  if (Json* key = simstack::member_nocase(reg, name)) return key;
  if (!create) return nullptr;
  return &JsonMaker(doc).put(reg, name, JsonMaker(doc).object());
}

std::optional<simstack::RegistryValue> read_value(Json& key, const std::string& name) {
  Json* stored = simstack::member_nocase(key, name);
  if (stored == nullptr) return std::nullopt;
  return simstack::registry_value_of(*stored, name);
}

void write_value(JsonDocument& doc, Json& key, const std::string& name, std::uint32_t type,
                 const std::vector<std::uint8_t>& data) {
  JsonMaker(doc).put(key, name, simstack::stored_registry_value(doc.GetAllocator(), type, data));
}

void add_reg_line(JsonDocument& doc, const inf::Line& line) {
  if (!inf::equal_nocase(field(line, 1), L"HKLM") && !inf::equal_nocase(field(line, 1), L"HKEY_LOCAL_MACHINE")) return;
  Json* key = registry_key(doc, field(line, 2), true);
  const std::uint32_t flags = int_of(line, 4);
  if (flags & kFLG_ADDREG_KEYONLY) return;
  const std::string name = narrow_utf8(field(line, 3));
  if (flags & kFLG_ADDREG_DELVAL) {
    simstack::erase_member_nocase(*key, name);
    return;
  }
  auto existing = read_value(*key, name);
  if ((flags & kFLG_ADDREG_NOCLOBBER) && existing) return;
  const std::uint32_t type_flags = flags & (0xFFFF0000u | kFLG_ADDREG_BINVALUETYPE);
  std::vector<std::wstring> data;
  for (std::size_t n = 5; n <= line.fields.size(); ++n) data.push_back(line.fields[n - 1]);
  if (type_flags == kFLG_ADDREG_TYPE_DWORD) {
    auto n = static_cast<std::uint32_t>(data.empty() ? 0 : inf::parse_int(data[0]).value_or(0));
    write_value(doc, *key, name, registry::kREG_DWORD, registry::dword_bytes(n));
  } else if (type_flags == kFLG_ADDREG_TYPE_MULTI_SZ) {
    std::vector<std::wstring> strings;
    if ((flags & kFLG_ADDREG_APPEND) && existing && existing->type == registry::kREG_MULTI_SZ)
      strings = registry::multi_sz_strings(existing->data);
    for (const auto& s : data) {
      if (s.empty()) continue;
      bool present = false;
      if (flags & kFLG_ADDREG_APPEND)
        for (const auto& have : strings) present = present || inf::equal_nocase(have, s);
      if (!present) strings.push_back(s);
    }
    write_value(doc, *key, name, registry::kREG_MULTI_SZ, registry::multi_sz_bytes(strings));
  } else if (type_flags == kFLG_ADDREG_BINVALUETYPE) {
    std::vector<std::uint8_t> bytes;
    for (const auto& s : data) bytes.push_back(static_cast<std::uint8_t>(inf::parse_int(L"0x" + s).value_or(0)));
    write_value(doc, *key, name, registry::kREG_BINARY, bytes);
  } else {
    const auto type = type_flags == kFLG_ADDREG_TYPE_EXPAND_SZ ? registry::kREG_EXPAND_SZ : registry::kREG_SZ;
    write_value(doc, *key, name, type, registry::utf16_bytes(data.empty() ? L"" : data[0], true));
  }
}

void del_reg_line(JsonDocument& doc, const inf::Line& line) {
  if (!inf::equal_nocase(field(line, 1), L"HKLM") && !inf::equal_nocase(field(line, 1), L"HKEY_LOCAL_MACHINE")) return;
  Json* key = registry_key(doc, field(line, 2), false);
  if (key == nullptr) return;
  const std::string name = narrow_utf8(field(line, 3));
  if (int_of(line, 4) == kFLG_DELREG_MULTI_SZ_DELSTRING) {
    auto existing = read_value(*key, name);
    if (!existing || existing->type != registry::kREG_MULTI_SZ) return;
    auto strings = registry::multi_sz_strings(existing->data);
    for (auto it = strings.begin(); it != strings.end(); ++it)
      if (inf::equal_nocase(*it, field(line, 5))) {
        strings.erase(it);
        write_value(doc, *key, name, registry::kREG_MULTI_SZ, registry::multi_sz_bytes(strings));
        break;
      }
    return;
  }
  if (line.fields.size() >= 3) {
    simstack::erase_member_nocase(*key, name);
    return;
  }
  simstack::erase_member_nocase(registry_of(doc), "HKLM\\" + narrow_utf8(field(line, 2)));
}

std::string join(const std::string& folder, const std::wstring& name) {
  return (std::filesystem::path(folder) / narrow_utf8(name)).string();
}

// CopyFiles and DelFiles name file-list sections, or one file as "@name".
template <typename Action>
void for_each_file(const SimInfContext& c, const std::wstring& list, Action action) {
  if (!list.empty() && list[0] == L'@') {
    action(list.substr(1), list.substr(1));
    return;
  }
  const inf::Section* files = c.inf.section(list);
  if (files == nullptr) return;
  for (const auto& line : files->lines) {
    const std::wstring target = line.key ? *line.key : field(line, 1);
    const std::wstring source = line.key ? field(line, 1) : field(line, 2);
    action(target, source.empty() ? target : source);
  }
}

// A directive's values (AddReg = a, b) as section names.
std::vector<std::wstring> directive_values(const inf::Section& section, const wchar_t* directive) {
  std::vector<std::wstring> out;
  for (const auto& line : section.lines)
    if (line.key && inf::equal_nocase(*line.key, directive))
      for (const auto& f : line.fields)
        if (!f.empty()) out.push_back(f);
  return out;
}

void for_each_line(const inf::InfFile& inf, const std::wstring& name, void (*act)(JsonDocument&, const inf::Line&),
                   JsonDocument& doc) {
  if (const inf::Section* s = inf.section(name))
    for (const auto& line : s->lines) act(doc, line);
}

std::wstring services_key(const std::wstring& name) { return L"SYSTEM\\CurrentControlSet\\Services\\" + name; }

void add_service(JsonDocument& doc, const SimInfContext& c, const inf::Line& line) {
  const std::wstring name = field(line, 1);
  const inf::Section* settings = c.inf.section(field(line, 3));
  Json* key = registry_key(doc, services_key(name), true);
  auto dword = [&](const char* value, const wchar_t* setting) {
    auto text = settings != nullptr ? c.inf.value(settings->name, setting) : std::nullopt;
    auto n = static_cast<std::uint32_t>(text ? inf::parse_int(*text).value_or(0) : 0);
    write_value(doc, *key, value, registry::kREG_DWORD, registry::dword_bytes(n));
  };
  dword("Type", L"ServiceType");
  dword("Start", L"StartType");
  dword("ErrorControl", L"ErrorControl");
  std::wstring binary = settings != nullptr ? c.inf.value(settings->name, L"ServiceBinary").value_or(L"") : L"";
  if (binary.rfind(L"%12%\\", 0) == 0) binary = L"\\SystemRoot\\System32\\drivers\\" + binary.substr(5);
  write_value(doc, *key, "ImagePath", registry::kREG_EXPAND_SZ, registry::utf16_bytes(binary, true));
}

// Removes the service's key and every key below it.
void del_service(JsonDocument& doc, const std::wstring& name) {
  Json* reg = simstack::member_nocase(doc, "registry");
  if (reg == nullptr || !reg->IsObject()) return;
  const std::string key = "HKLM\\" + narrow_utf8(services_key(name));
  for (auto it = reg->MemberBegin(); it != reg->MemberEnd();) {
    const std::string_view k = simstack::name_of(it);
    if (simstack::equal_nocase(k, key) ||
        (k.size() > key.size() && simstack::equal_nocase(k.substr(0, key.size() + 1), key + "\\")))
      it = reg->EraseMember(it);
    else
      ++it;
  }
}

}  // namespace

Win32Error sim_install_section(JsonDocument& doc, const SimInfContext& c, const std::wstring& name) {
  const inf::Section* section = c.inf.section(name);
  if (section == nullptr) return kERROR_SECTION_NOT_FOUND;
  for (const auto& list : directive_values(*section, L"DelReg")) for_each_line(c.inf, list, del_reg_line, doc);
  for (const auto& list : directive_values(*section, L"AddReg")) for_each_line(c.inf, list, add_reg_line, doc);
  for (const auto& list : directive_values(*section, L"DelFiles"))
    for_each_file(c, list, [&](const std::wstring& target, const std::wstring&) {
      const std::string file = join(c.drivers_folder, target);
      if (windows_file_locked(doc, c.windows_folder, file)) return;  // in use: it stays
      std::error_code ec;
      std::filesystem::remove(file, ec);
    });
  for (const auto& list : directive_values(*section, L"CopyFiles")) {
    Win32Error status = kERROR_SUCCESS;
    for_each_file(c, list, [&](const std::wstring& target, const std::wstring& source) {
      std::error_code ec;
      std::filesystem::create_directories(c.drivers_folder, ec);
      std::filesystem::copy_file(join(c.inf_folder, source), join(c.drivers_folder, target),
                                 std::filesystem::copy_options::overwrite_existing, ec);
      if (ec && status == kERROR_SUCCESS) status = kERROR_FILE_NOT_FOUND;
    });
    if (status != kERROR_SUCCESS) return status;
  }
  return kERROR_SUCCESS;
}

Win32Error sim_install_services(JsonDocument& doc, const SimInfContext& c, const std::wstring& name) {
  const inf::Section* section = c.inf.section(name);
  if (section == nullptr) return kERROR_SECTION_NOT_FOUND;
  for (const auto& line : section->lines) {
    if (!line.key) continue;
    if (inf::equal_nocase(*line.key, L"AddService")) add_service(doc, c, line);
    else if (inf::equal_nocase(*line.key, L"DelService")) del_service(doc, field(line, 1));
  }
  return kERROR_SUCCESS;
}

}  // namespace devinst
