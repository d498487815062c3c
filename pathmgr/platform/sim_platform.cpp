#include "simstack/faults.h"
#include "simstack/sim_host.h"
#include "simstack/sim_registry.h"
#include "platform/platform.h"
#include "scsi/sim_storage.h"
#include "wmi/sim_backend.h"

namespace {

// The version the simulated host reports ("os" member; 6.1 when absent).
class SimOsVersion : public OsVersionSource {
 public:
  explicit SimOsVersion(simstack::SimHost& host) : host_(host) {}
  bool query(OsVersion& out) override {
    auto doc = host_.document();
    if (simstack::version_fault(*doc)) return false;
    out = OsVersion{6, 1, 7601};
    if (const auto* os = simstack::find_member_nocase(*doc, "os"); os != nullptr && os->is_object()) {
      out.major = os->value("major", 6u);
      out.minor = os->value("minor", out.major == 6 ? 1u : 0u);
      out.build = os->value("build", 0u);
    }
    return true;
  }

 private:
  simstack::SimHost& host_;
};

}  // namespace

Platform make_sim_platform(std::unique_ptr<simstack::SimHost> host) {
  host->document();  // a broken file is reported before anything runs
  Platform p;
  p.wmi = wmi::make_sim_backend(*host);
  p.os = std::make_unique<SimOsVersion>(*host);
  p.registry = simstack::make_sim_registry(*host);
  p.scsi = scsi::make_sim_storage(*host);
  p.sim = std::move(host);
  return p;
}
