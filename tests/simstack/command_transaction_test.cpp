// One write per command: inside a command the simulated host keeps its changes in
// memory under the exclusive lock and writes them once when the command ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "simstack/state_file/sim_host.h"
#include "test_support.h"

namespace {

std::function<bool(Json&)> append(int n) {
  return [n](Json& doc) {
    doc["journal"].push_back(n);
    return true;
  };
}

}  // namespace

TEST(CommandTransaction, ChangesAreWrittenOnceAtTheEndOrNotAtAll) {
  TempDir dir;
  const auto path = write_json(dir.file("s.json"), empty_host());
  const std::string before = read_text(path);
  simstack::SimHost host(path);

  host.begin_command();
  update(host, append(1));
  update(host, append(2));
  EXPECT_EQ(read_text(path), before);  // nothing written mid-command
  EXPECT_EQ(test_json(*host.document())["journal"], Json::array({1, 2}));  // but the command sees its changes
  host.commit_command();
  EXPECT_EQ(read_json(path)["journal"], Json::array({1, 2}));

  const std::string committed = read_text(path);
  host.begin_command();
  update(host, append(3));
  host.abandon_command();  // the command ended by an error
  EXPECT_EQ(read_text(path), committed);
  EXPECT_EQ(test_json(*host.document())["journal"], Json::array({1, 2}));  // the dropped change is gone here too

  update(host, append(4));  // outside a command: written at once
  EXPECT_EQ(read_json(path)["journal"], Json::array({1, 2, 4}));
}

TEST(CommandTransaction, EachCommandReadsTheHostAfresh) {
  TempDir dir;
  const auto path = write_json(dir.file("s.json"), empty_host());
  simstack::SimHost host(path);
  host.begin_command();
  EXPECT_FALSE(test_json(*host.document()).contains("journal"));
  host.commit_command();

  Json changed = read_json(path);
  changed["journal"] = Json::array({"by another process"});
  write_json(dir.file("next.json"), changed);
  std::filesystem::rename(dir.file("next.json"), path);  // as a writer replaces the file

  EXPECT_FALSE(test_json(*host.document()).contains("journal"));  // within a command the snapshot holds
  host.begin_command();
  EXPECT_EQ(test_json(*host.document())["journal"], Json::array({"by another process"}));
  host.commit_command();
}
