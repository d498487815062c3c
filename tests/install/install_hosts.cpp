#include "install_hosts.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "devinst/sim_device_installer.h"
#include "install_flow.h"
#include "text/text_convert.h"

namespace fs = std::filesystem;

const char* const kUsageText =
    "Installs the Multi-Path software package.\n"
    "\n"
    "Usage: install switch [ source_path common_path dsm_inf dsm_hwid ]\n"
    "\n"
    "  switch     \tWhether to install or uninstall (-i or -u)\n"
    "             \t-iq: install DSM only\n"
    "  source_path\tPermanent location that hosts zyrdsm infs and drivers\n"
    "             \tdefault: .\n"
    "  common_path\tPermanent location that hosts MPIO infs and drivers\n"
    "             \tdefault: .\n"
    "  dsm_inf    \tName of dsm inf (with extension)\n"
    "             \tdefault: zyrdsm.inf\n"
    "  dsm_hwid   \tHardware Id associated with the dsm\n"
    "             \tdefault: ROOT\\zyrdsm\n"
    "\n";

InstallHost::InstallHost(const simstack::InstallHostSpec& spec) {
  fs::copy(PATHMGR_SAMPLE_PACKAGE, package());
  simstack::JsonDocument doc = host_json(empty_host(spec.family <= 5 ? 5 : 6));
  simstack::add_install_devices(doc, spec);
  path_ = write_json(dir_.file("host.json"), test_json(doc));
  fs::create_directories(windows("inf"));
  fs::create_directories(windows("system32/drivers"));
}

InstallRun InstallHost::run(const std::vector<std::string>& args, const std::string& cwd) const {
  const auto before = fs::current_path();
  if (!cwd.empty()) fs::current_path(cwd);
  std::vector<std::wstring> wide;
  for (const auto& a : args) wide.push_back(widen_utf8(a));
  std::ostringstream out;
  auto dev = devinst::make_sim_device_installer(std::make_unique<simstack::SimHost>(path_));
  InstallRun result;
  result.exit_code = installer::run_install(wide, *dev, out);
  result.out = out.str();
  fs::current_path(before);  // the steps move into the package folders
  return result;
}

void InstallHost::edit(const std::function<void(Json&)>& change) const {
  Json doc = read_json(path_);
  change(doc);
  write_json(path_, doc);
}

Json InstallHost::device(const std::string& instance_id) const {
  const Json all = doc();
  for (const auto& d : all["devices"])
    if (d["instance_id"] == instance_id) return d;
  return nullptr;
}

Json InstallHost::registry_value(const std::string& key, const std::string& value) const {
  const Json reg = doc()["registry"];
  for (auto k = reg.begin(); k != reg.end(); ++k)
    if (simstack::equal_nocase(k.key(), "HKLM\\" + key))
      for (auto v = k->begin(); v != k->end(); ++v)
        if (simstack::equal_nocase(v.key(), value)) return *v;
  return nullptr;
}

std::vector<std::string> InstallHost::files(const std::string& sub) const {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(windows(sub), ec)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> InstallHost::journaled(const std::string& action) const {
  std::vector<std::string> out;
  for (const auto& e : journal_entries(action)) out.push_back(e.value("target", ""));
  return out;
}

std::vector<Json> InstallHost::journal_entries(const std::string& action) const {
  std::vector<Json> out;
  for (const auto& e : doc().value("journal", Json::array()))
    if (e.value("kind", "") == "device" && e.value("action", "") == action) out.push_back(e);
  return out;
}
