#include "devinst/sim_device_installer.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "devinst/sim_inf_install.h"
#include "devinst/sim_locked_files.h"
#include "file_bytes.h"
#include "hresult.h"
#include "inf/inf_file.h"
#include "simstack/faults/faults.h"
#include "simstack/registry/sim_registry.h"
#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/json.h"
#include "text/text_convert.h"

namespace devinst {

namespace {

using simstack::Json;
using simstack::JsonDocument;
using simstack::JsonMaker;
namespace fs = std::filesystem;

// Host paths: "\" and "/" both separate folders.
std::string host_path(const std::wstring& path) {
  std::string out = narrow_utf8(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

using simstack::text_member;

std::vector<std::wstring> ids_of(const Json& device) {
  std::vector<std::wstring> out;
  if (const Json* ids = simstack::member(device, "hardware_ids"); ids != nullptr && ids->IsArray())
    for (const auto& id : ids->GetArray())
      if (id.IsString()) out.push_back(widen_utf8(simstack::text_of(id)));
  return out;
}

// The "devices" list of a document (made an empty list when it is none).
Json& devices_of(JsonDocument& doc) { return JsonMaker(doc).list(doc, "devices"); }

// A device the system remembers from an old path or LUN is listed with "present": false.
bool present(const Json& device) { return simstack::flag_member(device, "present", true); }

// A services section that can only mark a running driver's service for deletion
// succeeds, with ERROR_SUCCESS_REBOOT_REQUIRED as its last error: a "faults"."device"
// entry of install-services with that code asks for it.
bool succeeds_with_reboot(std::string_view action, Win32Error fault) {
  return action == "install-services" && fault == kERROR_SUCCESS_REBOOT_REQUIRED;
}

Json* find_device(JsonDocument& doc, const std::string& instance_id) {
  for (auto& d : devices_of(doc).GetArray())
    if (simstack::equal_nocase(text_member(d, "instance_id"), instance_id)) return &d;
  return nullptr;
}

// "faults"."device": the error for an action whose target matches one of `names`.
std::optional<Win32Error> device_fault(const Json& doc, const char* action, const std::vector<std::string>& names) {
  const Json* list = simstack::fault_list(doc, "device");
  if (list == nullptr) return std::nullopt;
  for (const auto& entry : list->GetArray()) {
    if (!entry.IsObject() || !simstack::equal_nocase(text_member(entry, "action"), action)) continue;
    const std::string match = text_member(entry, "match");
    bool hit = match.empty();
    for (const auto& n : names) hit = hit || simstack::equal_nocase(n, match);
    if (!hit) continue;
    auto code = parse_hresult(text_member(entry, "error"));
    return code ? static_cast<Win32Error>(*code) : kERROR_ACCESS_DENIED;
  }
  return std::nullopt;
}

// Journals a device action: its kind, target, the members of `extra` and the status.
void journal(JsonDocument& doc, const char* action, const std::string& target, Win32Error status,
             Json extra = Json(rapidjson::kObjectType)) {
  const JsonMaker make(doc);
  Json entry = make.object({{"kind", "device"}, {"action", action}, {"target", target}});
  for (auto it = extra.MemberBegin(); it != extra.MemberEnd(); ++it) make.put(entry, simstack::name_of(it), std::move(it->value));
  make.put(entry, "status", hresult_journal_text(static_cast<HResult>(status)));
  make.journal(doc, std::move(entry));
}

std::optional<std::string> file_bytes(const std::string& path) {
  std::string bytes;
  if (read_file_bytes(path, bytes) != kERROR_SUCCESS) return std::nullopt;
  return bytes;
}

bool write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

class SimDeviceInstaller;

class SimDeviceSet : public DeviceSet {
 public:
  SimDeviceSet(SimDeviceInstaller& owner, std::vector<std::string> ids) : owner_(owner), ids_(std::move(ids)) {
    reboot_.assign(ids_.size(), false);
  }
  std::size_t size() const override { return ids_.size(); }
  Win32Error hardware_ids(std::size_t device, std::vector<std::wstring>& out) override;
  Win32Error set_hardware_ids(std::size_t device, const std::vector<std::wstring>& ids) override;
  Win32Error config_flags(std::size_t device, std::uint32_t& out) override;
  Win32Error set_config_flags(std::size_t device, std::uint32_t flags) override;
  Win32Error enumerator(std::size_t device, std::wstring& out) override;
  bool instance_id(std::size_t device, std::wstring& out) override;
  bool node_status(std::size_t device, std::uint32_t& status) override;
  Win32Error remove(std::size_t device) override;
  Win32Error restart(std::size_t device) override;
  bool needs_reboot(std::size_t device) override { return device < reboot_.size() && reboot_[device]; }

 private:
  // The device's stored record in the current snapshot (kept alive by `owner`).
  const Json* read(std::size_t device, std::shared_ptr<const Json>& owner);
  // `extra` makes the journal entry's own members with the document's allocator.
  Win32Error change(std::size_t device, const char* action, const std::function<Json(const JsonMaker&)>& extra,
                    const std::function<void(JsonDocument&, Json&)>& act);
  SimDeviceInstaller& owner_;
  std::vector<std::string> ids_;
  std::vector<bool> reboot_;
};

class SimInf;

class SimDeviceInstaller : public DeviceInstaller {
 public:
  explicit SimDeviceInstaller(std::unique_ptr<simstack::SimHost> host)
      : host_(std::move(host)), registry_(simstack::make_sim_registry(*host_)) {}

  simstack::SimHost& host() { return *host_; }
  registry::Registry& registry() override { return *registry_; }

  // The "windows" member, read once: the steps ask for it while they hold the lock.
  std::string windows_folder() {
    if (windows_.empty()) {
      auto doc = host_->document();
      std::string name = text_member(*doc, "windows");
      if (name.empty()) name = "windows";
      fs::path base = fs::absolute(fs::path(host_->path())).parent_path();
      windows_ = (base / name).lexically_normal().string();
    }
    return windows_;
  }
  std::string inf_store() { return windows_folder() + "/inf"; }
  std::string drivers_folder() { return windows_folder() + "/system32/drivers"; }

  Win32Error class_devices(const std::wstring& class_guid, std::unique_ptr<DeviceSet>& out) override {
    auto doc = host_->document();
    std::vector<std::string> ids;
    if (const Json* devices = simstack::member(*doc, "devices"); devices != nullptr && devices->IsArray())
      for (const auto& d : devices->GetArray())
        if (d.IsObject() && simstack::equal_nocase(text_member(d, "class"), narrow_utf8(class_guid)))
          ids.push_back(text_member(d, "instance_id"));
    out = std::make_unique<SimDeviceSet>(*this, std::move(ids));
    return kERROR_SUCCESS;
  }

  Win32Error inf_class(const std::wstring& inf_path, std::wstring& guid, std::wstring& name) override {
    inf::InfFile inf;
    if (auto rc = inf::InfFile::load(host_path(inf_path), inf); rc != kERROR_SUCCESS) return rc;
    guid = inf.class_guid();
    name = inf.class_name();
    return guid.empty() ? kERROR_INVALID_CLASS : kERROR_SUCCESS;
  }

  Win32Error create_root_device(const std::wstring& class_guid, const std::wstring& hardware_id) override {
    Win32Error status = kERROR_SUCCESS;
    host_->update([&](JsonDocument& doc) {
      const JsonMaker make(doc);
      std::set<std::string> taken;
      for (const auto& d : devices_of(doc).GetArray()) taken.insert(text_member(d, "instance_id"));
      std::string id;
      for (int n = 0; n < 10000 && id.empty(); ++n) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "ROOT\\MPIO\\%04d", n);
        if (!taken.count(buf)) id = buf;
      }
      const std::string hwid = narrow_utf8(hardware_id);
      status = device_fault(doc, "register", {hwid, id}).value_or(kERROR_SUCCESS);
      journal(doc, "register", id, status,
              make.object({{"hardware_ids", make.array({hwid})}, {"class", narrow_utf8(class_guid)}}));
      if (status == kERROR_SUCCESS)
        make.push(devices_of(doc), make.object({{"instance_id", id}, {"class", narrow_utf8(class_guid)},
                                                {"hardware_ids", make.array({hwid})}, {"enumerator", "ROOT"},
                                                {"started", false}, {"config_flags", 0}, {"reboot", false}}));
      return true;
    });
    return status;
  }

  // The store copy whose bytes equal `bytes`, if any.
  std::optional<std::string> store_copy_of(const std::string& bytes) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(inf_store(), ec)) {
      const std::string name = e.path().filename().string();
      if (name.size() < 7 || !simstack::equal_nocase(name.substr(0, 3), "oem") ||
          !simstack::equal_nocase(e.path().extension().string(), ".inf"))
        continue;
      if (file_bytes(e.path().string()) == bytes) return name;
    }
    return std::nullopt;
  }

  // Places the INF in the store (inside a state update): its copy's name, or an error.
  Win32Error place_in_store(JsonDocument& doc, const std::string& inf, bool replace_only, std::string& copy) {
    Win32Error status = device_fault(doc, "copy-inf", {inf, file_name(inf)}).value_or(kERROR_SUCCESS);
    std::string bytes;
    if (status == kERROR_SUCCESS) status = read_file_bytes(inf, bytes);
    if (status == kERROR_SUCCESS) {
      if (auto existing = store_copy_of(bytes)) {
        copy = *existing;
      } else if (replace_only) {
        status = kERROR_FILE_NOT_FOUND;
      } else {
        std::error_code ec;
        fs::create_directories(inf_store(), ec);
        for (int n = 0; copy.empty(); ++n)
          if (!fs::exists(inf_store() + "/oem" + std::to_string(n) + ".inf")) copy = "oem" + std::to_string(n) + ".inf";
        const std::string base = inf_store() + "/" + copy;
        if (!write_bytes(base, bytes) || !write_bytes(base.substr(0, base.size() - 4) + ".pnf", "PNF of " + inf))
          status = kERROR_ACCESS_DENIED;
      }
    }
    journal(doc, "copy-inf", inf, status, JsonMaker(doc).object({{"copy", copy}, {"replace_only", replace_only}}));
    return status;
  }

  Win32Error copy_oem_inf(const std::wstring& inf_path, bool replace_only, std::wstring& copy_name) override {
    Win32Error status = kERROR_SUCCESS;
    std::string copy;
    host_->update([&](JsonDocument& doc) {
      status = place_in_store(doc, host_path(inf_path), replace_only, copy);
      return true;
    });
    copy_name = copy.empty() ? std::wstring() : widen_utf8(inf_store() + "/" + copy);
    return status;
  }

  Win32Error uninstall_oem_inf(const std::wstring& copy_name) override {
    Win32Error status = kERROR_SUCCESS;
    const std::string name = narrow_utf8(copy_name);
    host_->update([&](JsonDocument& doc) {
      status = device_fault(doc, "uninstall-inf", {name}).value_or(kERROR_SUCCESS);
      // Only a bare name of the store is taken, not a path.
      if (status == kERROR_SUCCESS && name.find_first_of("\\/") != std::string::npos) status = kERROR_INVALID_PARAMETER;
      const std::string path = inf_store() + "/" + name;
      if (status == kERROR_SUCCESS && !fs::exists(path)) status = kERROR_FILE_NOT_FOUND;
      if (status == kERROR_SUCCESS) {
        std::error_code ec;
        fs::remove(path, ec);
        fs::remove(fs::path(path).replace_extension(".pnf"), ec);
      }
      journal(doc, "uninstall-inf", name, status);
      return true;
    });
    return status;
  }

  Win32Error update_driver(const std::wstring& hardware_id, const std::wstring& inf_path, bool& reboot) override {
    reboot = false;
    const std::string inf_name = host_path(inf_path), hwid = narrow_utf8(hardware_id);
    inf::InfFile inf;
    Win32Error status = kERROR_SUCCESS;
    host_->update([&](JsonDocument& doc) {
      const JsonMaker make(doc);
      status = device_fault(doc, "update-driver", {hwid, inf_name, file_name(inf_name)}).value_or(kERROR_SUCCESS);
      if (status == kERROR_SUCCESS) status = inf::InfFile::load(inf_name, inf);
      std::vector<std::string> targets;  // by instance ID: the steps below change the document
      if (status == kERROR_SUCCESS) {
        for (auto& d : devices_of(doc).GetArray())
          for (const auto& id : present(d) ? ids_of(d) : std::vector<std::wstring>())
            if (inf::equal_nocase(id, hardware_id)) {
              targets.push_back(text_member(d, "instance_id"));
              break;
            }
        if (targets.empty()) status = kERROR_NO_SUCH_DEVINST;
      }
      std::wstring install;
      if (status == kERROR_SUCCESS) {
        install = install_section_for(inf, hardware_id);
        if (install.empty()) status = kERROR_NO_MORE_ITEMS;
      }
      std::string copy;
      bool services_reboot = false;
      if (status == kERROR_SUCCESS) status = place_in_store(doc, inf_name, false, copy);
      if (status == kERROR_SUCCESS) {
        SimInfContext context{inf, fs::path(inf_name).parent_path().string(), drivers_folder(), windows_folder()};
        const std::string section = narrow_utf8(install), services = section + ".Services";
        status = device_fault(doc, "install-section", {section, inf_name, file_name(inf_name)}).value_or(kERROR_SUCCESS);
        if (status == kERROR_SUCCESS) status = sim_install_section(doc, context, install);
        if (status == kERROR_SUCCESS)
          status = device_fault(doc, "install-services", {services, inf_name, file_name(inf_name)}).value_or(kERROR_SUCCESS);
        services_reboot = succeeds_with_reboot("install-services", status);
        if (status == kERROR_SUCCESS || services_reboot)
          status = sim_install_services(doc, context, install + L".Services");
      }
      if (status == kERROR_SUCCESS)
        for (const auto& id : targets)
          if (Json* d = find_device(doc, id)) {
            make.put(*d, "driver", copy);
            make.put(*d, "started", true);
            reboot = reboot || services_reboot || simstack::flag_member(*d, "reboot");
          }
      journal(doc, "update-driver", hwid, status, make.object({{"inf", inf_name}}));
      return true;
    });
    return status;
  }

  Win32Error open_inf(const std::wstring& inf_path, std::unique_ptr<InfHandle>& out) override;

  bool os_version(OsVersion& out) override {
    auto doc = host_->document();
    if (simstack::version_fault(*doc)) return false;
    out = OsVersion{6, 1};
    if (const auto* os = simstack::member_nocase(*doc, "os"); os != nullptr && os->IsObject()) {
      auto number = [&](const char* name, unsigned fallback) {
        const Json* v = simstack::member(*os, name);
        return v != nullptr && v->IsUint() ? v->GetUint() : fallback;
      };
      out.major = number("major", 6u);
      out.minor = number("minor", out.major == 6 ? 1u : 0u);
    }
    return true;
  }
  std::wstring windows_directory() override { return widen_utf8(windows_folder()); }
  std::wstring system_directory() override { return widen_utf8(windows_folder() + "/system32"); }

  std::optional<std::wstring> system_message(std::uint32_t id) override {
    static const std::pair<std::uint32_t, const wchar_t*> kTexts[] = {
        {0, L"The operation completed successfully."},
        {2, L"The system cannot find the file specified."},
        {3, L"The system cannot find the path specified."},
        {5, L"Access is denied."},
        {8, L"Not enough memory resources are available to process this command."},
        {13, L"The data is invalid."},
        {30, L"The system cannot read from the specified device."},
        {87, L"The parameter is incorrect."},
        {170, L"The requested resource is in use."},
        {234, L"More data is available."},
        {259, L"No more data is available."},
        {1168, L"Element not found."},
    };
    for (const auto& [number, text] : kTexts)
      if (number == id) return std::wstring(text) + L"\r\n";
    return std::nullopt;
  }

  Win32Error find_file(const std::wstring& path) override {
    const fs::path p(host_path(path));
    std::error_code ec;
    if (!p.empty() && fs::exists(p, ec)) return kERROR_SUCCESS;
    const fs::path parent = p.parent_path();
    return parent.empty() || fs::is_directory(parent, ec) ? kERROR_FILE_NOT_FOUND : kERROR_PATH_NOT_FOUND;
  }

  std::vector<FileEntry> list_folder(const std::wstring& folder) override {
    std::vector<FileEntry> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(host_path(folder), ec))
      out.push_back({widen_utf8(e.path().filename().string()), e.is_directory()});
    std::sort(out.begin(), out.end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
    return out;
  }

  Win32Error delete_file(const std::wstring& path) override {
    const std::string file = host_path(path);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
      const Win32Error found = find_file(path);
      return found == kERROR_SUCCESS ? kERROR_ACCESS_DENIED : found;  // a folder is not deleted as a file
    }
    if (windows_file_locked(*host_->document(), windows_folder(), file)) return kERROR_ACCESS_DENIED;
    return fs::remove(file, ec) ? kERROR_SUCCESS : kERROR_ACCESS_DENIED;
  }

  // The file stays until the next start, which the simulated host never has; the
  // journal keeps the request.
  Win32Error delete_at_reboot(const std::wstring& path) override {
    const std::string file = host_path(path);
    Win32Error status = kERROR_SUCCESS;
    host_->update([&](JsonDocument& doc) {
      std::error_code ec;
      if (!fs::exists(file, ec)) status = find_file(path);
      journal(doc, "delete-at-reboot", file, status);
      return true;
    });
    return status;
  }

  std::wstring current_directory() override {
    std::error_code ec;
    return widen_utf8(fs::current_path(ec).string());
  }
  bool set_current_directory(const std::wstring& path) override {
    std::error_code ec;
    fs::current_path(host_path(path), ec);
    return !ec;
  }
  std::wstring short_path(const std::wstring& path) override { return path; }
  // A relative host path is taken against the current folder; its separators stay.
  std::wstring full_path(const std::wstring& path) override {
    if (path.empty() || fs::path(host_path(path)).is_absolute()) return path;
    return current_directory() + L"/" + path;
  }
  std::optional<std::string> read_file(const std::wstring& path) override { return file_bytes(host_path(path)); }
  // The host file's installation lock, beside its state lock. What this process read
  // before is read afresh: an installation that waited sees what the other one did.
  std::shared_ptr<void> lock_installation(const std::function<void()>& waiting) override {
    auto lock = std::make_shared<simstack::FileLock>(host_->path() + ".install-lock",
                                                     simstack::FileLock::Mode::Exclusive, waiting);
    host_->refresh();
    return lock;
  }
  Win32Error last_error() override { return kERROR_SUCCESS; }

 private:
  // The install section of the first model line that lists the hardware ID.
  static std::wstring install_section_for(const inf::InfFile& inf, const std::wstring& hardware_id) {
    const inf::Section* makers = inf.section(L"Manufacturer");
    if (makers == nullptr) return {};
    for (const auto& maker : makers->lines) {
      if (maker.fields.empty()) continue;
      std::vector<std::wstring> lists{maker.fields[0]};
      for (std::size_t f = 1; f < maker.fields.size(); ++f) lists.push_back(maker.fields[0] + L"." + maker.fields[f]);
      for (const auto& list : lists)
        if (const inf::Section* models = inf.section(list))
          for (const auto& model : models->lines)
            for (std::size_t f = 1; f < model.fields.size(); ++f)
              if (inf::equal_nocase(model.fields[f], hardware_id)) return model.fields[0];
    }
    return {};
  }

  std::unique_ptr<simstack::SimHost> host_;
  std::unique_ptr<registry::Registry> registry_;
  std::string windows_;
};

class SimInf : public InfHandle {
 public:
  SimInf(SimDeviceInstaller& owner, std::string path, inf::InfFile inf)
      : owner_(owner), path_(std::move(path)), inf_(std::move(inf)) {}
  long line_count(const std::wstring& section) override { return inf_.line_count(section); }
  std::optional<std::wstring> line_text(const std::wstring& section, std::size_t index) override {
    return inf_.line_text(section, index);
  }
  std::optional<std::wstring> line_text(const std::wstring& section, const std::wstring& key) override {
    auto index = inf_.find_line(section, key);
    return index ? inf_.line_text(section, *index) : std::nullopt;
  }
  std::size_t field_count(const std::wstring& section, std::size_t index) override {
    const inf::Line* l = inf_.line(section, index);
    return l == nullptr ? 0 : l->fields.size();
  }
  std::optional<std::wstring> string_field(const std::wstring& section, std::size_t index, std::size_t field) override {
    return inf_.string_field(section, index, field);
  }
  std::optional<std::int32_t> int_field(const std::wstring& section, std::size_t index, std::size_t field) override {
    return inf_.int_field(section, index, field);
  }
  Win32Error install_section(const std::wstring& section) override {
    return run("install-section", section, sim_install_section);
  }
  Win32Error install_services(const std::wstring& section, bool& reboot) override {
    const Win32Error status = run("install-services", section, sim_install_services);
    reboot = status == kERROR_SUCCESS_REBOOT_REQUIRED;
    return reboot ? kERROR_SUCCESS : status;
  }

 private:
  Win32Error run(const char* action, const std::wstring& section,
                 Win32Error (*act)(JsonDocument&, const SimInfContext&, const std::wstring&)) {
    Win32Error status = kERROR_SUCCESS;
    const std::string name = narrow_utf8(section);
    owner_.host().update([&](JsonDocument& doc) {
      status = device_fault(doc, action, {name, path_, file_name(path_)}).value_or(kERROR_SUCCESS);
      if (status == kERROR_SUCCESS || succeeds_with_reboot(action, status)) {
        const SimInfContext context{inf_, fs::path(path_).parent_path().string(), owner_.drivers_folder(),
                                    owner_.windows_folder()};
        if (Win32Error done = act(doc, context, section); done != kERROR_SUCCESS) status = done;
      }
      journal(doc, action, name, status, JsonMaker(doc).object({{"inf", path_}}));
      return true;
    });
    return status;
  }
  SimDeviceInstaller& owner_;
  std::string path_;
  inf::InfFile inf_;
};

Win32Error SimDeviceInstaller::open_inf(const std::wstring& inf_path, std::unique_ptr<InfHandle>& out) {
  inf::InfFile inf;
  const std::string path = host_path(inf_path);
  if (auto rc = inf::InfFile::load(path, inf); rc != kERROR_SUCCESS) return rc;
  out = std::make_unique<SimInf>(*this, path, std::move(inf));
  return kERROR_SUCCESS;
}

const Json* SimDeviceSet::read(std::size_t device, std::shared_ptr<const Json>& owner) {
  if (device >= ids_.size()) return nullptr;
  owner = owner_.host().document();
  const Json* devices = simstack::member(*owner, "devices");
  if (devices == nullptr || !devices->IsArray()) return nullptr;
  for (const auto& d : devices->GetArray())
    if (simstack::equal_nocase(text_member(d, "instance_id"), ids_[device])) return &d;
  return nullptr;
}

// A change of one device under the state lock, journaled; a device gone meanwhile is
// ERROR_NO_SUCH_DEVINST.
Win32Error SimDeviceSet::change(std::size_t device, const char* action, const std::function<Json(const JsonMaker&)>& extra,
                                const std::function<void(JsonDocument&, Json&)>& act) {
  if (device >= ids_.size()) return kERROR_NO_SUCH_DEVINST;
  Win32Error status = kERROR_SUCCESS;
  const std::string& id = ids_[device];
  owner_.host().update([&](JsonDocument& doc) {
    Json* d = find_device(doc, id);
    if (d == nullptr) {
      status = kERROR_NO_SUCH_DEVINST;
    } else {
      std::vector<std::string> names{id};
      for (const auto& hw : ids_of(*d)) names.push_back(narrow_utf8(hw));
      status = device_fault(doc, action, names).value_or(kERROR_SUCCESS);
      // The class installer has no node to act on for a device that is not present.
      if (status == kERROR_SUCCESS && std::string_view(action) != "set-property" && !present(*d))
        status = kERROR_NO_SUCH_DEVINST;
      if (status == kERROR_SUCCESS) {
        if (std::string(action) != "set-property") reboot_[device] = simstack::flag_member(*d, "reboot");
        act(doc, *d);
      }
    }
    journal(doc, action, id, status, extra(JsonMaker(doc)));
    return true;
  });
  return status;
}

Win32Error SimDeviceSet::hardware_ids(std::size_t device, std::vector<std::wstring>& out) {
  std::shared_ptr<const Json> owner;
  const Json* d = read(device, owner);
  if (d == nullptr) return kERROR_NO_SUCH_DEVINST;
  out = ids_of(*d);
  std::size_t bytes = 2;
  for (const auto& id : out) bytes += (id.size() + 1) * 2;
  if (out.empty()) return kERROR_INVALID_DATA;  // no such property
  return bytes > 2052 ? kERROR_INSUFFICIENT_BUFFER : kERROR_SUCCESS;
}

Win32Error SimDeviceSet::set_hardware_ids(std::size_t device, const std::vector<std::wstring>& ids) {
  auto list = [&](const JsonMaker& make) {
    Json l = make.array();
    for (const auto& id : ids) make.push(l, narrow_utf8(id));
    return l;
  };
  return change(
      device, "set-property",
      [&](const JsonMaker& make) { return make.object({{"property", "hardware_ids"}, {"value", list(make)}}); },
      [&](JsonDocument& doc, Json& d) { JsonMaker(doc).put(d, "hardware_ids", list(JsonMaker(doc))); });
}

Win32Error SimDeviceSet::config_flags(std::size_t device, std::uint32_t& out) {
  std::shared_ptr<const Json> owner;
  const Json* d = read(device, owner);
  if (d == nullptr) return kERROR_NO_SUCH_DEVINST;
  const Json* flags = simstack::member(*d, "config_flags");
  out = flags != nullptr && flags->IsUint() ? flags->GetUint() : 0u;
  return kERROR_SUCCESS;
}

Win32Error SimDeviceSet::set_config_flags(std::size_t device, std::uint32_t flags) {
  return change(
      device, "set-property",
      [&](const JsonMaker& make) { return make.object({{"property", "config_flags"}, {"value", flags}}); },
      [&](JsonDocument& doc, Json& d) { JsonMaker(doc).put(d, "config_flags", flags); });
}

Win32Error SimDeviceSet::enumerator(std::size_t device, std::wstring& out) {
  std::shared_ptr<const Json> owner;
  const Json* d = read(device, owner);
  if (d == nullptr) return kERROR_NO_SUCH_DEVINST;
  if (simstack::member(*d, "enumerator") == nullptr) return kERROR_INVALID_DATA;
  out = widen_utf8(text_member(*d, "enumerator"));
  return kERROR_SUCCESS;
}

bool SimDeviceSet::instance_id(std::size_t device, std::wstring& out) {
  std::shared_ptr<const Json> owner;
  const Json* d = read(device, owner);
  if (d == nullptr) return false;
  out = widen_utf8(text_member(*d, "instance_id"));
  return true;
}

bool SimDeviceSet::node_status(std::size_t device, std::uint32_t& status) {
  std::shared_ptr<const Json> owner;
  const Json* d = read(device, owner);
  if (d == nullptr || !present(*d)) return false;  // CR_NO_SUCH_DEVNODE
  status = simstack::flag_member(*d, "started") ? kDN_STARTED : 0;
  return true;
}

Json no_extra(const JsonMaker& make) { return make.object(); }

Win32Error SimDeviceSet::remove(std::size_t device) {
  return change(device, "remove", no_extra, [&](JsonDocument& doc, Json& d) {
    Json& list = devices_of(doc);
    for (auto it = list.Begin(); it != list.End(); ++it)
      if (it == &d) {
        list.Erase(it);
        break;
      }
  });
}

Win32Error SimDeviceSet::restart(std::size_t device) {
  return change(device, "restart", no_extra, [](JsonDocument& doc, Json& d) { JsonMaker(doc).put(d, "started", true); });
}

}  // namespace

std::unique_ptr<DeviceInstaller> make_sim_device_installer(std::unique_ptr<simstack::SimHost> host) {
  host->document();  // a broken file is reported before anything runs
  auto dev = std::make_unique<SimDeviceInstaller>(std::move(host));
  dev->windows_folder();
  return dev;
}

}  // namespace devinst
