#include <climits>
#include <cstdint>

#include "simstack/faults/faults.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/registry/sim_registry.h"
#include "platform/platform.h"
#include "scsi/sim_storage.h"
#include "wmi/sim_backend.h"

namespace {

// One number of the "os" member: absent gives `fallback`; anything but a whole number
// from 0 to 4294967295 is refused.
unsigned os_number(const simstack::Json& os, const char* name, unsigned fallback, const std::string& path) {
  const simstack::Json* v = simstack::member(os, name);
  if (v == nullptr) return fallback;
  if (!v->IsUint())
    throw simstack::StateError(path + ": member \"os\" / \"" + name + "\" is " + simstack::json_text(*v) +
                               ", not a whole number from 0 to 4294967295");
  return v->GetUint();
}

// The version the "os" member gives (6.1 when absent); throws StateError for one of
// the wrong JSON type.
OsVersion os_version_of(const simstack::Json& doc, const std::string& path) {
  OsVersion out{6, 1, 7601};
  const auto* os = simstack::member_nocase(doc, "os");
  if (os == nullptr) return out;
  if (!os->IsObject())
    throw simstack::StateError(path + ": member \"os\" is " + simstack::json_text(*os) + ", not an object");
  out.major = os_number(*os, "major", 6, path);
  out.minor = os_number(*os, "minor", out.major == 6 ? 1u : 0u, path);
  out.build = os_number(*os, "build", 0, path);
  return out;
}

// The version the simulated host reports ("os" member; 6.1 when absent).
class SimOsVersion : public OsVersionSource {
 public:
  explicit SimOsVersion(simstack::SimHost& host) : host_(host) {}
  bool query(OsVersion& out) override {
    auto doc = host_.document();
    if (simstack::version_fault(*doc)) return false;
    out = os_version_of(*doc, host_.path());
    return true;
  }

 private:
  simstack::SimHost& host_;
};

}  // namespace

Platform make_sim_platform(std::unique_ptr<simstack::SimHost> host) {
  os_version_of(*host->document(), host->path());  // a broken file is reported before anything runs
  Platform p;
  p.wmi = wmi::make_sim_backend(*host);
  p.os = std::make_unique<SimOsVersion>(*host);
  p.registry = simstack::make_sim_registry(*host);
  p.scsi = scsi::make_sim_storage(*host);
  p.sim = std::move(host);
  return p;
}
