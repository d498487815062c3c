// The state file contract: validation, atomic replacement, and concurrent writers.
#include "simstack/state_file/state_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "simstack/state_file/sim_host.h"
#include "test_support.h"

using simstack::StateError;
using simstack::StateFile;

TEST(StateFile, BrokenOrForeignFilesAreRefusedAndKept) {
  TempDir dir;
  struct Case {
    const char* text;
    const char* why;
  };
  for (const Case& c : {Case{"not json", "not valid JSON"}, Case{"[1,2]", "not a JSON object"},
                        Case{"{}", "no \"format\""}, Case{"{\"format\": 1}", "unsupported format"}}) {
    const auto path = dir.file("f.json");
    write_text(path, c.text);
    StateFile file(path);
    try {
      update(file, [](Json& doc) {
        doc["changed"] = true;
        return true;
      });
      FAIL() << c.text;
    } catch (const StateError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
      EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
    }
    EXPECT_EQ(read_text(path), c.text);
  }
}

TEST(StateFile, UpdateReplacesTheFileAndLeavesNoTemporaryBehind) {
  TempDir dir;
  const auto path = write_json(dir.file("s.json"), empty_host(6));
  // What a writer killed before its rename leaves: removed by the next writer. A
  // temporary file of a running process, and other files, are left alone.
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  write_text(path + ".tmp." + std::to_string(gone), "{\"torn");
  const std::string running = path + ".tmp." + std::to_string(::getppid());
  write_text(running, "{");
  write_text(path + ".tmp.notes", "kept");
  StateFile file(path);
  update(file, [](Json& doc) {
    doc["journal"] = Json::array({1});
    return true;
  });
  update(file, [](Json& doc) {
    doc["ignored"] = true;
    return false;  // nothing written
  });
  Json doc = read_json(path);
  EXPECT_EQ(doc["journal"], Json::array({1}));
  EXPECT_FALSE(doc.contains("ignored"));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().filename().string().find(".tmp.") != std::string::npos) left.push_back(entry.path().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{running, path + ".tmp.notes"}));
}

TEST(StateFile, TwoProcessesAppendingAtOnceLoseNoUpdate) {
  TempDir dir;
  const auto path = write_json(dir.file("s.json"), empty_host(6));
  constexpr int kPerProcess = 150;
  auto append_many = [&](int who) {
    StateFile file(path);
    for (int i = 0; i < kPerProcess; ++i)
      update(file, [&](Json& doc) {
        doc["journal"].push_back({{"who", who}, {"i", i}});
        return true;
      });
  };
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    append_many(1);
    ::_exit(0);
  }
  append_many(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Json journal = read_json(path)["journal"];
  ASSERT_EQ(journal.size(), 2u * kPerProcess);
  int next[2] = {0, 0};
  for (const auto& e : journal) {
    int who = e["who"];
    EXPECT_EQ(e["i"], next[who]);  // each writer's entries in its own order
    ++next[who];
  }
}

TEST(StateFile, CreateIfMissingMakesFoldersAndNeverOverwrites) {
  TempDir dir;
  const auto path = dir.file("a/b/sim.json");
  StateFile file(path);
  file.create_if_missing(host_json(empty_host(5)));
  EXPECT_EQ(read_json(path)["os"]["major"], 5);
  file.create_if_missing(host_json(empty_host(6)));
  EXPECT_EQ(read_json(path)["os"]["major"], 5);
}

TEST(SimHost, ChangeAfterAnotherWriterReReadsTheFile) {
  TempDir dir;
  const auto path = write_json(dir.file("s.json"), empty_host(6));
  simstack::SimHost host(path);
  auto before = host.document();
  update(host, [](Json& doc) {
    doc["journal"].push_back("mine-1");
    return true;
  });
  // Another process writes in between: this host must not write over it.
  update(StateFile(path), [](Json& doc) {
    doc["journal"].push_back("theirs");
    return true;
  });
  update(host, [](Json& doc) {
    doc["journal"].push_back("mine-2");
    return true;
  });
  update(host, [](Json& doc) {
    doc["journal"].push_back("mine-3");
    return true;
  });
  EXPECT_EQ(read_json(path)["journal"], Json::array({"mine-1", "theirs", "mine-2", "mine-3"}));
  EXPECT_EQ(test_json(*host.document())["journal"].size(), 4u);
  EXPECT_FALSE(test_json(*before).contains("journal"));  // an earlier snapshot held elsewhere is left as it was
}
