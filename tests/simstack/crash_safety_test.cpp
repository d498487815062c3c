// Many writers on one host file, and a writer killed at random points: no change is
// lost and the file is always whole, the old one or the new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "test_support.h"

extern char** environ;

TEST(Soak, EightProcessesOfAHundredChangesEachLoseNone) {
  constexpr int kProcesses = 8, kChanges = 100;
  TempDir dir;
  Json host = empty_host();
  host["registry"]["HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters"] = Json::object();
  const std::string path = write_json(dir.file("h.json"), host);
  // Each writer is a process of its own; each value names its writer and its turn.
  std::vector<pid_t> writers;
  for (int p = 0; p < kProcesses; ++p) {
    std::vector<std::string> args{HOST_WRITER_BIN, path, std::to_string(kChanges), std::to_string(p * 1000)};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    writers.push_back(pid);
  }
  for (pid_t pid : writers) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << pid;
  }

  const Json doc = test_json(simstack::StateFile(path).read()->json());  // whole and of this format
  std::set<long long> values;
  for (const auto& e : doc["journal"])
    if (e["kind"] == "registry" && e["value"] == "DbgPrintLevel") values.insert(e["data"].get<long long>());
  EXPECT_EQ(values.size(), std::size_t{kProcesses * kChanges});
  EXPECT_EQ(doc["journal"].size(), std::size_t{kProcesses * kChanges});
}

namespace {

std::size_t journal_size(const std::string& path) {
  return test_json(simstack::StateFile(path).read()->json()).value("journal", Json::array()).size();
}

}  // namespace

TEST(CrashSafety, WriterKilledAtRandomPointsLeavesAWholeFile) {
  TempDir dir;
  const std::string path = write_json(dir.file("h.json"), empty_host());
  const unsigned seed = std::random_device{}();
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> delay_us(0, 30000);
  std::size_t last = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
    std::string program = HOST_WRITER_BIN, file = path;
    char* argv[] = {program.data(), file.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
    // Every other round the kill waits for the writer's next write to land, so kills
    // in the middle of later writes happen however slow the machine (a sanitized
    // writer may take longer than any fixed delay to start); the other rounds kill at
    // any point, the start included.
    if (round % 2 == 1) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (journal_size(path) <= last && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);

    const Json doc = test_json(simstack::StateFile(path).read()->json());  // throws for a torn file
    const Json journal = doc.value("journal", Json::array());
    for (std::size_t n = 0; n < journal.size(); ++n) {
      ASSERT_EQ(journal[n]["n"], n);
    }
    if (!journal.empty()) {
      EXPECT_EQ(doc["payload"].get<std::string>().size(), (journal.size() - 1) % 4096);
    }
    EXPECT_GE(journal.size(), last);  // never an older file than the last one seen
    last = journal.size();
  }
  EXPECT_GT(last, 0u);  // some writes did land
}
