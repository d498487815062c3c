// The host snapshot whose instance lists are parsed on first read or walked one
// instance at a time: it must give exactly what a full parse of the same text gives.
#include "simstack/host_document.h"

#include <gtest/gtest.h>

#include "simstack/host_generator.h"
#include "simstack/sim_host.h"
#include "test_support.h"

using simstack::HostDocument;
using simstack::StateError;

namespace {

// Names and strings that a bracket-and-quote walk can get wrong: escaped quotes and
// backslashes, brackets inside strings, unicode escapes, names in other cases.
const char* kTrickyHost = R"({
  "format": "pathmgr-sim/1",
  "os": {"major": 6},
  "WMI": {
    "ROOT\\WMI": {
      "classes": {"A": {"properties": {"Name": "string"}}},
      "Instances": {
        "A": [{"Name": "x\"]}[{\\"}, {"Name": "back\\\\"}, {"Name": "\u0041\u00e9"}],
        "B": [],
        "C": [[1, [2, {"k": "]"}]], {"n": -1.5e3, "t": true, "f": false, "z": null}],
        "Scalar": 42,
        "Obj": {"not": "a list"}
      }
    },
    "ROOT\\CIMV2": {"instances": {"Win32_DiskDrive": [{"DeviceID": "\\\\.\\PHYSICALDRIVE0"}]}}
  },
  "journal": [{"kind": "method", "path": "A.Name=\"x\""}]
})";

std::shared_ptr<HostDocument> split(const std::string& text) {
  return std::make_shared<HostDocument>(text, "host.json");
}

// A class's list as a walk hands it over; none when the namespace has no such list.
std::optional<Json> walked(const HostDocument& doc, std::string_view ns, std::string_view cls) {
  Json seen = Json::array();
  if (!doc.for_each_instance(ns, cls, [&](const simstack::StoredNode& node, std::size_t, const auto&) {
        seen.push_back(node.to_json());
        return true;
      }))
    return std::nullopt;
  return seen;
}

}  // namespace

TEST(HostDocument, ListsReadOnDemandEqualAFullParse) {
  const Json whole = Json::parse(kTrickyHost);
  auto doc = split(kTrickyHost);
  // Names in any case, as WMI takes them; every list as a full parse has it.
  const Json& wmi = whole["WMI"]["ROOT\\WMI"]["Instances"];
  EXPECT_EQ(walked(*doc, "root\\wmi", "c"), wmi["C"]);
  EXPECT_EQ(walked(*doc, "ROOT\\WMI", "A"), wmi["A"]);
  EXPECT_EQ(walked(*doc, "ROOT\\WMI", "B"), Json::array());
  EXPECT_THROW(walked(*doc, "ROOT\\WMI", "Scalar"), StateError);
  EXPECT_EQ(walked(*doc, "ROOT\\CIMV2", "Win32_DiskDrive"), whole["WMI"]["ROOT\\CIMV2"]["instances"]["Win32_DiskDrive"]);
  EXPECT_EQ(walked(*doc, "ROOT\\WMI", "Missing"), std::nullopt);
  EXPECT_EQ(walked(*doc, "ROOT\\Other", "A"), std::nullopt);
  // Everything outside the lists is there from the start.
  EXPECT_EQ(doc->json()["journal"], whole["journal"]);
  EXPECT_EQ(doc->json()["WMI"]["ROOT\\WMI"]["classes"], whole["WMI"]["ROOT\\WMI"]["classes"]);
  EXPECT_EQ(doc->complete(), whole);
}

// Every list walked in reverse order (parsed as it goes, on a second thread where
// there is one), then again once the document is complete.
TEST(HostDocument, GeneratedHostsMatchWalkedOrReadWhole) {
  simstack::HostSpec spec;
  spec.devices = 24;
  spec.paths_per_device = 3;
  const Json whole = simstack::generate_host(spec);
  const Json& lists = whole["wmi"]["ROOT\\WMI"]["instances"];
  auto doc = split(whole.dump(1));
  const auto walk = [&](const std::string& cls, bool parsed_ahead) {
    Json seen = Json::array();
    EXPECT_TRUE(doc->for_each_instance("root\\wmi", cls, [&](const simstack::StoredNode& node, std::size_t i, const auto& owner) {
      EXPECT_EQ(i, seen.size());
      EXPECT_EQ(owner != nullptr, parsed_ahead) << cls;
      seen.push_back(node.to_json());
      return true;
    }));
    return seen;
  };
  for (auto it = lists.end(); it != lists.begin();) {
    --it;
    ASSERT_EQ(walk(it.key(), true), it.value()) << it.key();
  }
  EXPECT_EQ(doc->complete(), whole);
  for (auto it = lists.begin(); it != lists.end(); ++it) EXPECT_EQ(walk(it.key(), false), it.value()) << it.key();
  EXPECT_FALSE(doc->for_each_instance("ROOT\\WMI", "Missing", [](const simstack::StoredNode&, std::size_t, const auto&) { return true; }));
}

// A walk that ends early, or whose walker fails, still reports broken text as a full
// parse does; a member that is no list is refused before anything is walked.
TEST(HostDocument, WalksReportBrokenTextAsAFullParseDoes) {
  auto doc = split(R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {
      "Bad": [{"a": 1}, {"a": 01}], "Trailing": [1,], "Good": [{"a": 1}, {"a": 2}], "Scalar": 7}}}})");
  struct Walker {
    struct Failure {};
    int stop_after;  // -1: never stops; -2: throws at the first instance
    bool operator()(const simstack::StoredNode&, std::size_t i, const std::shared_ptr<const void>&) const {
      if (stop_after == -2) throw Failure{};
      return stop_after < 0 || static_cast<int>(i) < stop_after;
    }
  };
  for (const char* cls : {"Bad", "Trailing"})
    for (int stop_after : {-1, 0, -2}) {
      try {
        doc->for_each_instance("N", cls, Walker{stop_after});
        ADD_FAILURE() << cls << " " << stop_after;
      } catch (const StateError& e) {
        EXPECT_NE(std::string(e.what()).find("not valid JSON"), std::string::npos) << e.what();
      }
    }
  EXPECT_THROW(doc->for_each_instance("N", "Good", Walker{-2}), Walker::Failure);
  std::size_t visited = 0;
  EXPECT_TRUE(doc->for_each_instance("N", "Good", [&](const simstack::StoredNode&, std::size_t, const auto&) { return ++visited < 1; }));
  EXPECT_EQ(visited, 1u);
  EXPECT_THROW(doc->for_each_instance("N", "Scalar", Walker{-2}), StateError);
  EXPECT_THROW(doc->has_instances("N", "Scalar"), StateError);
  EXPECT_TRUE(doc->has_instances("n", "bad"));
}

TEST(HostDocument, RepeatedMembersKeepTheLastAsAFullParseDoes) {
  for (const char* text : {
           R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1]}}}, "wmi": {"N": {"instances": {"A": [2]}}}})",
           R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1], "A": [2]}}}})",
           R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1], "A": 7}}}})",
           R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1]}, "instances": {"B": [3]}}}})",
           R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1]}}}, "wmi": 5})",
           R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1]}, "instances": []}}})",
       }) {
    auto doc = split(text);
    const Json whole = Json::parse(text);
    if (const Json* a = simstack::find_instance_list(whole, "N", "A"); a != nullptr && a->is_array()) {
      EXPECT_EQ(walked(*doc, "N", "A"), *a);
    }
    EXPECT_EQ(doc->complete(), whole) << text;
  }
}

TEST(HostDocument, BrokenTextIsReportedWithTheFile) {
  struct Case {
    const char* text;
    const char* why;
  };
  for (const Case& c : {Case{"", "not valid JSON"}, Case{"{\"format\": \"pathmgr-sim/1\"", "not valid JSON"},
                        Case{R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": [1}}}})", "not valid JSON"},
                        Case{R"({"format": "pathmgr-sim/1"} trailing)", "not valid JSON"},
                        Case{R"({"format": "pathmgr-sim/1", "os": {"major": 6,}})", "not valid JSON"},
                        Case{R"({"format": "pathmgr-sim/1", "wmi": {"N\q": {}}})", "not valid JSON"},
                        Case{"{\"format\": \"pathmgr-sim/1\", \"wmi\": {\"N\": {\"instances\": {\"A\t\": []}}}}",
                             "not valid JSON"},
                        Case{"[1, 2]", "not a JSON object"}, Case{R"({"format": 2})", "unsupported format"}}) {
    try {
      split(c.text);
      FAIL() << c.text;
    } catch (const StateError& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("host.json: ", 0), 0u) << message;
      EXPECT_NE(message.find(c.why), std::string::npos) << c.text << " -> " << message;
    }
  }
}

TEST(HostDocument, ABrokenListFailsWhenReadAndNeverReachesAWrite) {
  const std::string text =
      R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"Good": [{"a": 1}], "Bad": [{"a": 01}]}}}})";
  auto doc = split(text);
  EXPECT_EQ(walked(*doc, "N", "Good"), Json::parse(R"([{"a": 1}])"));
  for (int attempt = 0; attempt < 2; ++attempt) EXPECT_THROW(walked(*doc, "N", "Bad"), StateError);
  EXPECT_THROW(doc->complete(), StateError);

  // Through the host: the change is refused and the file stays as it was.
  TempDir dir;
  const auto path = dir.file("h.json");
  write_text(path, text);
  simstack::SimHost host(path);
  EXPECT_NO_THROW(walked(*host.snapshot(), "N", "Good"));
  EXPECT_THROW(host.update([](Json& d) {
    d["journal"] = Json::array();
    return true;
  }),
               StateError);
  EXPECT_EQ(read_text(path), text);
}

TEST(HostDocument, AChangeWritesTheListsNobodyRead) {
  simstack::HostSpec spec;
  spec.devices = 6;
  const Json whole = simstack::generate_host(spec);
  TempDir dir;
  const auto path = dir.file("h.json");
  write_json(path, whole);
  simstack::SimHost host(path);
  auto seen = host.snapshot();  // held, as an enumeration holds it
  ASSERT_TRUE(walked(*seen, "ROOT\\WMI", "MPIO_DISK_INFO"));
  host.update([](Json& d) {
    d["journal"] = Json::array({"changed"});
    return true;
  });
  Json expected = whole;
  expected["journal"] = Json::array({"changed"});
  EXPECT_EQ(read_json(path), expected);
  EXPECT_EQ(*host.document(), expected);
  EXPECT_EQ(walked(*seen, "ROOT\\WMI", "DSM_QueryLBPolicy_V2"), whole["wmi"]["ROOT\\WMI"]["instances"]["DSM_QueryLBPolicy_V2"]);
}
