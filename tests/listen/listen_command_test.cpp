// pathmgr listen, run as a process whose input the test holds open: what it prints for
// the events appended while it listens, how it ends, how a failed subscription reads.
#include <gtest/gtest.h>

#include "simstack/driver/event_log.h"
#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

using namespace std::chrono_literals;

namespace {

const std::string kHeader = "\n listening mode, press ENTER to stop...\n";
constexpr auto kPatience = 10s;  // generous: a loaded machine must not fail the tests

std::string block(const std::string& name, const std::string& active, const std::string& time,
                  const std::string& severity, const std::string& component, const std::string& description) {
  return " InstanceName : " + name + "\n Active : " + active + "\n TimeStamp : " + time + "\n Severity : " + severity +
         "\n Component : " + component + "\n EventDescription : " + description + "\n\n";
}

// Appends an event under the platform's lock, as another process does.
void append(const std::string& path, const Json& event) {
  simstack::StateFile(path).update([&](simstack::JsonDocument& doc) {
    simstack::append_event(doc, simstack::JsonMaker(doc).copy(host_json(event)));
    return true;
  });
}

class ListenCommand : public ::testing::Test {
 protected:
  void use_host(const Json& doc) { path_ = write_json(dir_.file("s.json"), doc); }

  // Starts pathmgr listen and returns once it delivers: it prints its banner before it
  // subscribes, so probe events are appended until one shows. Returns the length of
  // the output up to the end of the last probe.
  std::size_t start_listening() {
    listener_ = start_pathmgr({"listen"}, path_, {"TZ=UTC"});
    EXPECT_TRUE(listener_->wait_for_output(kHeader, kPatience)) << listener_->output();
    int probes = 0;
    const auto give_up = std::chrono::steady_clock::now() + kPatience;
    while (listener_->output().find("EventDescription : probe") == std::string::npos &&
           std::chrono::steady_clock::now() < give_up) {
      append(path_, {{"InstanceName", "MPIO_EventEntry_0"}, {"EventDescription", "probe " + std::to_string(++probes)}});
      listener_->wait_for_output("EventDescription : probe", 100ms);
    }
    const std::string last = "EventDescription : probe " + std::to_string(probes) + "\n\n";
    EXPECT_TRUE(listener_->wait_for_output(last, kPatience)) << listener_->output();
    return listener_->output().find(last) + last.size();
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<RunningProgram> listener_;
};

Json event(bool active, const std::string& stamp, int severity, const std::string& description) {
  return {{"InstanceName", "MPIO_EventEntry_0"}, {"Active", active}, {"TimeStamp", stamp}, {"Severity", severity},
          {"Component", "ZYRDSM"}, {"EventDescription", description}};
}

}  // namespace

TEST_F(ListenCommand, EventsAppendedWhileListeningArePrintedInTheirLayout) {
  Json doc = empty_host();
  doc["events"] = Json::array({event(true, "116444736000000000", 1, "history by hand"),
                               event(true, "116444736000000000", 2, "history appended")});
  use_host(doc);
  const std::size_t start = start_listening();

  const char* names[] = {"Unknown", "Fatal Error", "Error", "Warning", "Information", "Unknown"};
  std::string expected;
  for (int severity = 0; severity <= 5; ++severity) {
    const bool active = severity % 2 == 0;
    // 1 January 1970 plus `severity` seconds and some 100-ns units, dropped in print.
    const std::string stamp = std::to_string(116444736000000000ull + severity * 10000000ull + 9999999ull * (severity % 2));
    append(path_, event(active, stamp, severity, "event " + std::to_string(severity)));
    expected += block("MPIO_EventEntry_0", active ? "-1" : "0", "Thu Jan  1 00:00:0" + std::to_string(severity) + " 1970",
                      names[severity], "ZYRDSM", "event " + std::to_string(severity));
  }
  ASSERT_TRUE(listener_->wait_for_output("event 5\n\n", kPatience)) << listener_->output();
  EXPECT_TRUE(listener_->write("\n"));
  EXPECT_EQ(listener_->wait(kPatience), 0);
  EXPECT_EQ(listener_->output().substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(listener_->output().substr(start), expected);
  EXPECT_EQ(listener_->output().find("history"), std::string::npos);
}

TEST_F(ListenCommand, EnterOrEndOfInputEndsIt) {
  use_host(empty_host());
  // NUL characters do not end the wait; ENTER on an empty line does.
  listener_ = start_pathmgr({"listen"}, path_);
  ASSERT_TRUE(listener_->wait_for_output(kHeader, kPatience));
  EXPECT_TRUE(listener_->write(std::string("\0\0", 2)));
  EXPECT_EQ(listener_->wait(500ms), -1);  // still listening
  EXPECT_TRUE(listener_->write("\n"));
  EXPECT_EQ(listener_->wait(kPatience), 0);
  EXPECT_EQ(listener_->output(), kHeader);

  listener_ = start_pathmgr({"listen", "extra", "words"}, path_);
  ASSERT_TRUE(listener_->wait_for_output(kHeader, kPatience));
  listener_->close_input();
  EXPECT_EQ(listener_->wait(kPatience), 0);
  EXPECT_EQ(listener_->output(), kHeader);
}

TEST_F(ListenCommand, AChangeMadeByAnotherProcessShowsUp) {
  simstack::HostSpec spec;
  spec.devices = 2;
  use_host(generated_host(spec));
  const Json host = read_json(path_);
  const Json& policy = host["wmi"]["ROOT\\WMI"]["instances"]["DSM_QueryLBPolicy_V2"][0];
  const std::string instance = policy["InstanceName"];
  const std::string serial = host["wmi"]["ROOT\\WMI"]["instances"]["MPIO_DISK_INFO"][0]["DriveInfo"][0]["SerialNumber"];
  const bool round_robin = policy["LoadBalancePolicy"]["LoadBalancePolicy"] == 2;
  const std::size_t start = start_listening();

  auto change = run_pathmgr({"devinfo", serial, round_robin ? "FailOver" : "RoundRobin"}, path_);
  EXPECT_EQ(change.exit_code, 0) << change.out;
  const std::string text = "EventDescription : Load balance policy of " + instance + " changed to " +
                           (round_robin ? "1" : "2") + ".\n\n";
  ASSERT_TRUE(listener_->wait_for_output(text, kPatience)) << listener_->output();
  const std::string printed = listener_->output().substr(start);
  EXPECT_EQ(printed.substr(0, printed.find(" TimeStamp : ")), " InstanceName : MPIO_EventEntry_0\n Active : -1\n");
  EXPECT_EQ(printed.substr(printed.find(" Severity : ")), " Severity : Information\n Component : ZYRDSM\n " + text);
#ifdef PATHMGR_SIM_TOOL
  // The host tool raises one from the command line.
  auto tool = run_program({PATHMGR_SIM_TOOL, "--event", "--severity", "2", "--component", "array",
                           "--description", "Controller B offline", "--timestamp", "116444736000000000", "-f", path_},
                          {}, {}, "");
  EXPECT_EQ(tool.exit_code, 0) << tool.out;
  EXPECT_TRUE(listener_->wait_for_output(block("MPIO_EventEntry_0", "-1", "Thu Jan  1 00:00:00 1970", "Error", "array",
                                               "Controller B offline"),
                                         kPatience))
      << listener_->output();
#endif
  listener_->close_input();
  EXPECT_EQ(listener_->wait(kPatience), 0);
}

TEST_F(ListenCommand, AFailedSubscriptionFailsTheCommand) {
  Json doc = empty_host();
  doc["faults"]["notification"] = "0x80041001";
  use_host(doc);
  auto r = run_pathmgr({"listen"}, path_, "\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, kHeader + "command failed!\n");
}
