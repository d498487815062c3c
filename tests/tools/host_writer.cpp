// Test driver of the soak and crash tests: writes to a host file from its own process.
//   host_writer FILE                 changes the file in a loop until killed: change n
//                                    appends {"kind": "soak", "n": n} to the journal and
//                                    sets "payload" to n % 4096 characters, so a file
//                                    mixed from two writes, or cut short, shows
//   host_writer FILE COUNT BASE      COUNT writes of DbgPrintLevel (BASE, BASE+1, ...)
//                                    through the simulated registry, one host per write
//                                    as one command of its own
#include <cstdio>
#include <string>

#include "registry/registry.h"
#include "simstack/registry/sim_registry.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/state_file/state_file.h"

namespace {

int loop_until_killed(const char* path) {
  simstack::StateFile file(path);
  for (;;) {
    file.update([](simstack::JsonDocument& doc) {
      const simstack::JsonMaker make(doc);
      const std::size_t n = make.list(doc, "journal").Size();
      make.journal(doc, make.object({{"kind", "soak"}, {"n", n}}));
      make.put(doc, "payload", std::string(n % 4096, 'x'));
      return true;
    });
  }
}

int write_parameters(const char* path, int count, std::uint32_t base) {
  for (int i = 0; i < count; ++i) {
    simstack::SimHost host(path);
    auto reg = simstack::make_sim_registry(host);
    std::unique_ptr<registry::Key> key;
    if (reg->open(L"SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters", registry::Access::SetValue, key) != 0)
      return 1;
    const std::uint32_t value = base + static_cast<std::uint32_t>(i);
    if (key->set(L"DbgPrintLevel", registry::kREG_DWORD, reinterpret_cast<const std::uint8_t*>(&value), 4) != 0)
      return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) return loop_until_killed(argv[1]);
  if (argc == 4) return write_parameters(argv[1], std::stoi(argv[2]), static_cast<std::uint32_t>(std::stoul(argv[3])));
  std::fprintf(stderr, "usage: host_writer FILE [COUNT BASE]\n");
  return 2;
}
