// Configuration changes seen by the reports, through the program on a generated host.
#include <gtest/gtest.h>

#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

namespace {

std::string line_with(const std::string& text, const std::string& needle) {
  auto at = text.find(needle);
  if (at == std::string::npos) return {};
  auto start = text.rfind('\n', at) + 1;
  return text.substr(start, text.find('\n', at) - start);
}

}  // namespace

TEST(EndToEnd, PolicyStateAndCountersOnAGeneratedHost) {
  TempDir dir;
  simstack::HostSpec spec;
  spec.seed = 4;
  auto path = write_json(dir.file("s.json"), generated_host(spec));
  const Json host = read_json(path);
  const std::string serial = host["wmi"]["ROOT\\WMI"]["instances"]["MPIO_DISK_INFO"][0]["DriveInfo"][3]["SerialNumber"];

  auto set = run_pathmgr({"devinfo", serial, "LEASTB"}, path);
  EXPECT_EQ(set.exit_code, 0) << set.out;
  EXPECT_EQ(set.out, "");
  auto listing = run_pathmgr({"devinfo"}, path);
  EXPECT_NE(line_with(listing.out, serial).find("LeastBlocks"), std::string::npos) << listing.out;

  auto paths = run_pathmgr({"pathinfo", "sn", serial}, path);
  std::string id_line = line_with(paths.out, " PathId:");
  std::string id = id_line.substr(16);
  auto state = run_pathmgr({"pathinfo", serial, id, "standby"}, path);
  EXPECT_EQ(state.out, "\n Set path state: OK\n\n");
  auto after = run_pathmgr({"pathinfo", "sn", serial}, path);
  EXPECT_EQ(line_with(after.out, " State:"), " State:         Standby");

  auto clear = run_pathmgr({"clear"}, path);
  EXPECT_EQ(clear.out, " Clear counters: OK\n\n");
  auto io = run_pathmgr({"iostatus"}, path);
  std::size_t rows = 0;
  for (std::size_t at = io.out.find("\n 77"); at != std::string::npos; at = io.out.find("\n 77", at + 1)) {
    EXPECT_EQ(io.out.substr(at + 12, 12), "0           ");  // " " + 8 digits + 2 blanks, then the counter
    ++rows;
  }
  EXPECT_EQ(rows, 32u);  // 8 devices x 4 paths, every counter zero
}
