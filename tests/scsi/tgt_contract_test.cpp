// The simulated SPC-3 unit against a real one: the same reservation sequence, in one
// pathmgr process (the prompt's debug lines), on a simulated unit and on a logical unit
// of a userspace iSCSI target (tgtd) reached through libiscsi. What pgr prints must be
// the same, the generation aside.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "scsi/scsi_hosts.h"
#include "simstack/scsi/sim_iscsi.h"

namespace {

const std::string kScript = std::string(PATHMGR_SCRIPTS) + "/tgt-target.sh";

bool tgt_required() { return std::getenv("PATHMGR_REQUIRE_TGT") != nullptr; }

class TgtTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!simstack::iscsi_supported() || std::system("command -v tgtd >/dev/null 2>&1") != 0) {
      if (tgt_required()) FAIL() << "this build has no libiscsi, or tgtd is not installed";
      GTEST_SKIP() << "no libiscsi in this build, or no tgtd";
    }
    const std::string log = dir_.file("script.log");
    const int started = std::system(("bash " + kScript + " start " + dir_.file("tgt") + " >" + log + " 2>&1").c_str());
    ASSERT_EQ(started, 0) << read_text(log);
    started_ = true;
    url_ = read_text(dir_.file("tgt/url"));
    url_.erase(url_.find_last_not_of('\n') + 1);
  }
  void TearDown() override {
    if (started_) std::system(("bash " + kScript + " stop " + dir_.file("tgt") + " >/dev/null 2>&1").c_str());
  }
  TempDir dir_;
  bool started_ = false;
  std::string url_;
};

// The prompt lines of the sequence on target T (ports 2 and 3 reach it).
std::string sequence(int target) {
  const std::string a = "2.0." + std::to_string(target) + ".0", b = "3.0." + std::to_string(target) + ".0";
  std::string lines;
  for (const std::string& line :
       {"pgr register " + a + " AAAAAAAA", "pgr register " + b + " BBBBBBBB", "pgr reserve " + a + " AAAAAAAA",
        "pgr list " + a, "pgr reserve " + b + " BBBBBBBB", "pgr clear " + b + " AAAAAAAA",
        "pgr release " + b + " BBBBBBBB", "pgr list " + b, "pgr release " + a + " AAAAAAAA", "pgr list " + a,
        "pgr unregister " + a + " AAAAAAAA", "pgr list " + b, "pgr clear " + b + " BBBBBBBB", "pgr list " + a,
        "pgr tur " + a})
    lines += "debug " + line + "\n";
  return lines;
}

// The output with the target number and every generation (the first four bytes after
// a dump's title) made alike.
std::string comparable(std::string out, int target) {
  out = std::regex_replace(out, std::regex(":ID" + std::to_string(target) + ":"), ":ID#:");
  return std::regex_replace(out, std::regex("(keys:|reservations:)\n[0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2} "),
                            "$1\nGG GG GG GG ");
}

}  // namespace

TEST_F(TgtTarget, SimulatedUnitAnswersAsTheRealOne) {
  Json doc = empty_host(6);
  doc["scsi"] = Json::array({{{"names", {"\\\\.\\PhysicalDrive1"}}, {"address", Json::array({{2, 0, 1, 0}, {3, 0, 1, 0}})}},
                             {{"names", {"\\\\.\\PhysicalDrive2"}},
                              {"address", Json::array({{2, 0, 2, 0}, {3, 0, 2, 0}})},
                              {"iscsi", url_}}});
  const std::string path = write_json(dir_.file("s.json"), doc);
  auto run = run_pathmgr({}, path, sequence(1) + "exit\n" );
  auto real = run_pathmgr({}, path, sequence(2) + "exit\n");
  ASSERT_EQ(run.exit_code, 0);
  ASSERT_EQ(real.exit_code, 0);
  EXPECT_EQ(comparable(real.out, 2), comparable(run.out, 1));
  // The simulated unit's own answers, for the record of what both printed.
  EXPECT_NE(run.out.find("result: 0 status: 0x18"), std::string::npos);
  // Every command to the real unit is journaled with the target's status.
  int real_commands = 0;
  for (const auto& e : scsi_journal(path))
    if (e["address"][2] == 2) ++real_commands;
  EXPECT_EQ(real_commands, 20);
}
