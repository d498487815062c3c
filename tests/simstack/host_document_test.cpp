// Reading and writing the host file: strict JSON, the values another JSON library
// reads, member order kept through a change, and a text that is not JSON refused
// before anything is read or written.
#include "simstack/state_file/host_document.h"

#include <gtest/gtest.h>

#include "simstack/state_file/json_text.h"
#include "simstack/state_file/sim_host.h"
#include "test_support.h"

using simstack::HostDocument;
using simstack::StateError;

namespace {

std::string host_with(const std::string& member) { return R"({"format": "pathmgr-sim/1", "x": )" + member + "}"; }

// The error a text gets, or "" when it is read.
std::string refusal(const std::string& text) {
  try {
    HostDocument doc(text, "host.json");
    return "";
  } catch (const StateError& e) {
    return e.what();
  }
}

}  // namespace

TEST(HostDocument, TextThatIsNotJsonIsRefusedWithTheFileAndTheReason) {
  struct Case {
    std::string text;
    const char* why;
  };
  const std::string spliced = read_text(PATHMGR_FUZZ_CORPUS "/host_document/host-not-json-spliced-lists.json");
  for (const Case& c : {Case{"", "not valid JSON"}, Case{"{\"format\": \"pathmgr-sim/1\"", "not valid JSON"},
                        Case{host_with("[1,]"), "not valid JSON"}, Case{host_with("01"), "not valid JSON"},
                        Case{host_with("{\"a\": 1} trailing"), "not valid JSON"},
                        Case{host_with("\"\\q\""), "not valid JSON"}, Case{host_with("\"tab\tinside\""), "not valid JSON"},
                        Case{host_with("\"\xC3\x28\""), "not valid JSON"}, Case{host_with("\"\\ud800\""), "not valid JSON"},
                        Case{host_with("NaN"), "not valid JSON"}, Case{host_with("1e400"), "not valid JSON"},
                        Case{host_with("-0e400"), "not valid JSON"},  // an exponent past the doubles'
                        Case{host_with("1.7976931348623157e309"), "not valid JSON"},
                        Case{host_with(std::string("1") + '\0' + "2"), "not valid JSON"},
                        Case{host_with("0") + std::string(1, '\0'), "a NUL byte"},
                        Case{host_with(std::string(257, '[') + std::string(257, ']')), "nested deeper than 256 levels"},
                        Case{"[1, 2]", "not a JSON object"}, Case{R"({"format": 2})", "unsupported format"},
                        Case{spliced, "not valid JSON"}}) {
    const std::string message = refusal(c.text);
    EXPECT_EQ(message.rfind("host.json: ", 0), 0u) << c.text.substr(0, 80) << " -> " << message;
    EXPECT_NE(message.find(c.why), std::string::npos) << c.text.substr(0, 80) << " -> " << message;
  }
  EXPECT_EQ(refusal("\xEF\xBB\xBF" + host_with("[" + std::string(254, '[') + std::string(254, ']') + "]")), "");
}

// Numbers as a reader with exact conversions gives them: integers of 64 bits stay
// integers, everything else is the nearest double (a number past the doubles is
// refused, above).
TEST(HostDocument, NumbersReadAsAnotherJsonLibraryReadsThem) {
  for (const char* number : {"0", "-0", "7", "-9223372036854775808", "9223372036854775807", "18446744073709551615",
                             "18446744073709551616", "-9223372036854775809", "0E88", "1e-400", "-1e-400", "4.9e-324",
                             "2.5e-324", "0.1", "1.7976931348623157e308", "123456789012345678901234567890", "1.5"}) {
    HostDocument doc(host_with(std::string("[") + number + "]"), "host.json");
    const Json ours = test_json((*simstack::member(doc.json(), "x"))[0]);
    const Json theirs = Json::parse(number);
    EXPECT_EQ(ours.is_number_float(), theirs.is_number_float()) << number;
    EXPECT_EQ(ours.dump(), theirs.dump()) << number;
  }
}

// Members keep the order of the file through a read, a change and a write; repeated
// names are kept as they are, the last one read as the value.
TEST(HostDocument, AChangeWritesMembersBackInTheOrderItReadThem) {
  const std::string text = R"({"zeta": 1, "format": "pathmgr-sim/1", "alpha": {"z": [3, 1, 2], "a": "x", "m": null},
      "dosdevices": {"PhysicalDrive9": "\\Device\\Harddisk9\\DR9", "CdRom0": "\\Device\\CdRom0"},
      "twice": 1, "twice": 2})";
  TempDir dir;
  const auto path = dir.file("h.json");
  write_text(path, text);
  simstack::SimHost host(path);
  EXPECT_EQ(simstack::member(*host.document(), "twice")->GetInt(), 2);
  host.update([](simstack::JsonDocument& doc) {
    simstack::JsonMaker(doc).put(doc, "added", "last");
    return true;
  });
  const std::string written = read_text(path);
  std::vector<std::size_t> at;
  for (const char* name : {"\"zeta\"", "\"format\"", "\"alpha\"", "\"z\"", "\"a\"", "\"m\"", "\"PhysicalDrive9\"",
                           "\"CdRom0\"", "\"twice\": 1", "\"twice\": 2", "\"added\""})
    at.push_back(written.find(name));
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << written;
  EXPECT_EQ(std::count(at.begin(), at.end(), std::string::npos), 0) << written;
  EXPECT_NE(written.find("[3, 1, 2]"), std::string::npos) << written;
}

// A value JSON cannot hold (text that is not UTF-8) is refused when the change is
// written: the file stays as it was, and another process can still read it.
TEST(HostDocument, AChangeThatCannotBeWrittenLeavesTheFileAsItWas) {
  TempDir dir;
  const auto path = write_json(dir.file("h.json"), empty_host());
  const std::string before = read_text(path);
  simstack::SimHost host(path);
  EXPECT_THROW(host.update([](simstack::JsonDocument& doc) {
    simstack::JsonMaker(doc).put(doc, "bad", std::string("\xFF\xFE"));
    return true;
  }),
               StateError);
  EXPECT_EQ(read_text(path), before);
  EXPECT_NO_THROW(simstack::StateFile(path).read());
}

// Objects that view a snapshot keep what they saw after the host changed under them.
TEST(HostDocument, ASnapshotHeldStaysAsItWasAfterAChange) {
  simstack::HostSpec spec;
  spec.devices = 6;
  TempDir dir;
  const auto path = write_json(dir.file("h.json"), generated_host(spec));
  simstack::SimHost host(path);
  auto seen = host.document();  // held, as an enumeration's objects hold it
  const std::string before = simstack::json_text(*seen);
  host.update([](simstack::JsonDocument& doc) {
    simstack::JsonMaker make(doc);
    make.put(doc, "journal", make.array({"changed"}));
    make.put(doc, "wmi", make.object());
    return true;
  });
  EXPECT_EQ(simstack::json_text(*seen), before);
  EXPECT_EQ(read_json(path)["journal"], Json::array({"changed"}));
  EXPECT_EQ(test_json(*host.document())["wmi"], Json::object());
}

// Two instance lists spliced together are not JSON: every command refuses the file,
// names it, ends with status 1 and leaves it as it was.
TEST(HostDocument, EveryCommandRefusesAFileThatIsNotJson) {
  TempDir dir;
  const auto path = dir.file("host.json");
  const std::string spliced = read_text(PATHMGR_FUZZ_CORPUS "/host_document/host-not-json-spliced-lists.json");
  write_text(path, spliced);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"devinfo"}, {"devinfo", "all", "RoundRobin"}, {"pathinfo"}, {"iostatus"}, {"policies"}, {"instance"},
           {"clear"}, {"dsminfo"}, {"mpiolist", "1"}, {"pgr", "list"}, {"listen"}, {"help"}, {}}) {
    const auto r = run_pathmgr(args, path, "devinfo\n");
    EXPECT_EQ(r.exit_code, 1) << ::testing::PrintToString(args);
    EXPECT_EQ(r.out.rfind("Simulated host: " + path + ": not valid JSON (", 0), 0u) << r.out;
  }
  EXPECT_EQ(read_text(path), spliced);
}

// A document's values go into memory reserved for its file: documents read in turn or
// side by side, and one grown past its reservation by a change, hold exactly their own
// values.
TEST(HostDocument, DocumentsReadInTurnOrGrownPastTheirRegionHoldTheirValues) {
  TempDir dir;
  simstack::HostSpec large;
  large.devices = 40;
  simstack::HostSpec small;
  small.devices = 2;
  small.seed = 7;
  const auto large_path = write_json(dir.file("large.json"), generated_host(large));
  const auto small_path = write_json(dir.file("small.json"), generated_host(small));
  const Json large_json = read_json(large_path);
  const Json small_json = read_json(small_path);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(test_json(HostDocument(large_path).json()), large_json);
    EXPECT_EQ(test_json(HostDocument(small_path).json()), small_json);
  }
  HostDocument kept(small_path);
  EXPECT_EQ(test_json(HostDocument(large_path).json()), large_json);
  EXPECT_EQ(test_json(kept.json()), small_json);

  // A change that adds far more than the file held: the values past the reservation go
  // to the heap and are kept alike.
  HostDocument grown(write_json(dir.file("empty.json"), empty_host()));
  simstack::JsonMaker make(grown.json());
  Json expected = read_json(dir.file("empty.json"));
  const std::string filler(200, 'x');
  for (int i = 0; i < 20000; ++i) {
    grown.json().AddMember(make.text("m" + std::to_string(i)), make.text(filler + std::to_string(i)), make.allocator());
    expected["m" + std::to_string(i)] = filler + std::to_string(i);
  }
  EXPECT_EQ(test_json(grown.json()), expected);
}
