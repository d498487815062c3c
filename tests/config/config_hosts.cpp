#include "config/config_hosts.h"

#include <cstdio>

namespace {

Json& wmi_of(Json& doc) { return doc["wmi"]["ROOT\\WMI"]["instances"]; }

std::string instance(std::size_t n) { return "MPIO\\Disk\\" + std::to_string(n); }

Json pdo(int port, int target, std::uint64_t id) {
  return {{"ScsiAddress", {{"PortNumber", port}, {"ScsiPathId", 0}, {"TargetId", target}, {"Lun", 0}}},
          {"PathIdentifier", std::to_string(id)}};
}

}  // namespace

Json family6_config_host(const std::vector<V2Device>& devices) {
  Json doc = empty_host(6);
  Json& w = wmi_of(doc);
  Json policies = Json::array(), perf = Json::array(), descriptors = Json::array(), drives = Json::array();
  Json methods = Json::array();
  for (std::size_t n = 0; n < devices.size(); ++n) {
    const V2Device& d = devices[n];
    Json paths = Json::array(), perf_info = Json::array(), pdos = Json::array();
    for (std::size_t i = 0; i < d.paths.size(); ++i) {
      const V2Path& p = d.paths[i];
      paths.push_back({{"DsmPathId", std::to_string(p.id)}, {"PathWeight", 1}, {"PrimaryPath", p.primary},
                       {"OptimizedPath", p.optimized}, {"PreferredPath", 0}, {"FailedPath", 0},
                       {"TargetPortGroup_State", p.tpg_state}, {"ALUASupport", p.alua_support},
                       {"SymmetricLUA", p.symmetric}, {"TargetPortGroup_Preferred", 0},
                       {"TargetPortGroup_Identifier", 0x101 + static_cast<int>(i)}, {"TargetPort_Identifier", 7}});
      perf_info.push_back({{"PathId", std::to_string(p.id)}, {"NumberReads", 5}, {"NumberWrites", 6},
                           {"BytesRead", "100"}, {"BytesWritten", "200"}});
      pdos.push_back(pdo(2 + static_cast<int>(i), static_cast<int>(n), p.id));
    }
    policies.push_back({{"InstanceName", instance(n)},
                        {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", d.policy},
                                               {"DSMPathCount", d.paths.size()}, {"Reserved", 0}, {"DSM_Paths", paths}}}});
    perf.push_back({{"InstanceName", instance(n)}, {"PerfInfo", perf_info}});
    descriptors.push_back({{"InstanceName", instance(n)}, {"PdoInformation", pdos}});
    drives.push_back({{"SerialNumber", d.serial}, {"NumberPaths", d.paths.size()}, {"DsmName", "Microsoft DSM"}, {"Name", "d"}});
    methods.push_back({{"InstanceName", instance(n)}});
  }
  w["DSM_QueryLBPolicy_V2"] = policies;
  w["MSDSM_DEVICE_PERF"] = perf;
  w["MPIO_GET_DESCRIPTOR"] = descriptors;
  w["MPIO_DISK_INFO"] = Json::array({{{"InstanceName", "MPIO_DISK_INFO_0"}, {"DriveInfo", drives}}});
  w["DSM_LB_Operations"] = methods;
  w["MSDSM_WMI_METHODS"] = methods;
  return doc;
}

Json family5_config_host(const std::vector<V1Device>& devices) {
  Json doc = empty_host(5);
  Json& w = wmi_of(doc);
  Json policies = Json::array(), perf = Json::array(), descriptors = Json::array(), methods = Json::array();
  for (std::size_t n = 0; n < devices.size(); ++n) {
    const V1Device& d = devices[n];
    Json paths = Json::array(), perf_info = Json::array(), pdos = Json::array();
    for (std::size_t i = 0; i < d.paths.size(); ++i) {
      const V1Path& p = d.paths[i];
      paths.push_back({{"DsmPathId", std::to_string(p.id)}, {"PathWeight", p.weight}, {"PrimaryPath", p.primary}});
      char address[16];
      std::snprintf(address, sizeof address, "%02X00%02X00", 2 + static_cast<unsigned>(i), static_cast<unsigned>(n));
      std::string hex = std::string(address) + p.hba + "50B5E71801100001" + d.serial8 + "01" + "01";
      Json ident = Json::array();
      for (std::size_t k = 0; k + 1 < hex.size(); k += 2) ident.push_back(std::stoi(hex.substr(k, 2), nullptr, 16));
      perf_info.push_back({{"NumberReads", 1}, {"NumberWrites", 2}, {"pendingIOs", 0}, {"Identifier", ident}});
      pdos.push_back(pdo(2 + static_cast<int>(i), static_cast<int>(n), p.id));
    }
    policies.push_back({{"InstanceName", instance(n)},
                        {"LoadBalancePolicy", {{"Version", 394544}, {"LoadBalancePolicy", d.policy},
                                               {"DSMPathCount", d.paths.size()}, {"FailBack", d.failback},
                                               {"Reserved", 0}, {"DSM_Paths", paths}}}});
    perf.push_back({{"InstanceName", instance(n)}, {"PerfInfo", perf_info}});
    descriptors.push_back({{"InstanceName", instance(n)}, {"PdoInformation", pdos}});
    methods.push_back({{"InstanceName", instance(n)}});
  }
  w["ZYRDSM_QueryLBPolicy"] = policies;
  w["ZYRDSM_PERFINFO"] = perf;
  w["MPIO_GET_DESCRIPTOR"] = descriptors;
  w["ZYRDSM_WMI_METHODS"] = methods;
  return doc;
}

std::vector<Json> method_calls(const std::string& state_path, const std::string& method) {
  std::vector<Json> calls;
  Json doc = read_json(state_path);
  if (!doc.contains("journal")) return calls;
  for (const auto& e : doc["journal"])
    if (e["kind"] == "method" && (method.empty() || e["method"] == method)) calls.push_back(e);
  return calls;
}

std::vector<int> sent_paths_field(const Json& call, const char* field) {
  std::vector<int> values;
  for (const auto& p : call["in"]["LoadBalancePolicy"]["DSM_Paths"]) values.push_back(p[field].get<int>());
  return values;
}
