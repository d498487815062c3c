// Two installations at once on one host, as two processes: the second waits for the
// first (each says so once), so the host ends as one of the two orders leaves it.
#include <gtest/gtest.h>

#include "install_hosts.h"
#include "simstack/state_file/file_lock.h"

using namespace std::chrono_literals;

namespace {

const std::string kWaiting = "Another installation is running; waiting for it to end...\n";

std::vector<std::string> action(const InstallHost& host, const std::string& sw) {
  return {sw, host.package(), host.package(), "zyrdsm.inf", "ROOT\\zyrdsm"};
}

// What an installation leaves: the devices, the registry, the store and the drivers.
Json outcome(const InstallHost& host) {
  const Json doc = host.doc();
  return {{"devices", doc["devices"]}, {"registry", doc["registry"]}, {"inf", host.files("inf")},
          {"drivers", host.files("system32/drivers")}};
}

// The host after the two actions run one after the other, in this process.
Json in_order(unsigned family, const std::string& first, const std::string& second) {
  InstallHost host({.family = family});
  for (const auto& sw : {first, second}) EXPECT_EQ(host.run(action(host, sw)).exit_code, 0) << sw;
  return outcome(host);
}

}  // namespace

TEST(ConcurrentInstall, OneInstallationAtATimeInEitherFamily) {
  for (unsigned family : {5u, 6u})
    for (const std::string second : {"-i", "-u"}) {
      SCOPED_TRACE(std::to_string(family) + " -i and " + second);
      InstallHost host({.family = family});
      std::vector<std::unique_ptr<RunningProgram>> runs;
      {
        // An installation in progress: both wait for it, then for each other.
        simstack::FileLock held(host.path() + ".install-lock", simstack::FileLock::Mode::Exclusive);
        for (const auto& sw : {std::string("-i"), second}) {
          std::vector<std::string> argv{INSTALL_BIN};
          for (const auto& word : action(host, sw)) argv.push_back(word);
          runs.push_back(std::make_unique<RunningProgram>(argv, std::vector<std::string>{"PATHMGR_SIM=" + host.path()},
                                                          std::vector<std::string>{}));
        }
        for (auto& run : runs) ASSERT_TRUE(run->wait_for_output(kWaiting, 20s)) << run->output();
      }
      for (auto& run : runs) {
        EXPECT_EQ(run->wait(60s), 0) << run->output();
        const std::string& out = run->output();
        EXPECT_EQ(out.find(kWaiting), out.rfind(kWaiting)) << out;  // said once
        EXPECT_EQ(out.find("Failure"), std::string::npos) << out;
      }
      const Json done = outcome(host);
      EXPECT_TRUE(done == in_order(family, "-i", second) || done == in_order(family, second, "-i")) << done.dump(1);
    }
}
