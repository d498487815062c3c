// The simulated registry: the query protocol of the registry API, value forms kept in
// the state file, access rights and faults.
#include "simstack/registry/sim_registry.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::wstring kSub = L"SOFTWARE\\Test";

class SimRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    Json doc = empty_host();
    doc["registry"]["hklm\\software\\TEST"] = {{"Dword", {{"type", "REG_DWORD"}, {"data", 7}}},
                                              {"Text", {{"type", "REG_SZ"}, {"data", "ab"}}},
                                              {"List", {{"type", "REG_MULTI_SZ"}, {"data", {"x", "yz"}}}}};
    path_ = write_json(dir_.file("s.json"), doc);
    host_ = std::make_unique<simstack::SimHost>(path_);
    registry_ = simstack::make_sim_registry(*host_);
  }
  std::unique_ptr<registry::Key> open(registry::Access access) {
    std::unique_ptr<registry::Key> key;
    EXPECT_EQ(registry_->open(kSub, access, key), kERROR_SUCCESS);
    return key;
  }
  TempDir dir_;
  std::string path_;
  std::unique_ptr<simstack::SimHost> host_;
  std::unique_ptr<registry::Registry> registry_;
};

}  // namespace

TEST_F(SimRegistry, QueryFollowsTheRegistryProtocol) {
  auto key = open(registry::Access::Read);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(key->query(L"text", &type, nullptr, &size), kERROR_SUCCESS);  // size query, any case
  EXPECT_EQ(type, registry::kREG_SZ);
  EXPECT_EQ(size, 6u);
  std::uint8_t small[4] = {};
  size = sizeof small;
  EXPECT_EQ(key->query(L"Text", nullptr, small, &size), kERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(key->query(L"Missing", &type, small, &size), kERROR_FILE_NOT_FOUND);
  std::vector<std::uint8_t> data;
  EXPECT_EQ(registry::query_value(*key, L"List", type, data), kERROR_SUCCESS);
  EXPECT_EQ(registry::multi_sz_strings(data), (std::vector<std::wstring>{L"x", L"yz"}));
  EXPECT_EQ(key->set(L"Dword", registry::kREG_DWORD, small, 4), kERROR_ACCESS_DENIED);  // opened for reading
}

TEST_F(SimRegistry, OpenNeverCreatesAndHonoursTheOpenFault) {
  std::unique_ptr<registry::Key> key;
  EXPECT_EQ(registry_->open(L"SOFTWARE\\Other", registry::Access::Full, key), kERROR_FILE_NOT_FOUND);
  Json doc = read_json(path_);
  doc["faults"]["registry_open"] = Json::array({"HKLM\\Software\\Test"});
  write_json(path_, doc);
  simstack::SimHost host(path_);
  EXPECT_EQ(simstack::make_sim_registry(host)->open(kSub, registry::Access::Read, key), kERROR_ACCESS_DENIED);
}

TEST_F(SimRegistry, WrittenBytesKeepTheirFormAndTheStoredNameKeepsItsCase) {
  auto key = open(registry::Access::Full);
  const std::vector<std::uint8_t> odd = {1, 2, 3};
  const auto text = registry::utf16_bytes(L"hello", true);
  const auto list = registry::multi_sz_bytes({L"a", L"b c"});
  EXPECT_EQ(key->set(L"DWORD", registry::kREG_DWORD, odd.data(), 3), kERROR_SUCCESS);
  EXPECT_EQ(key->set(L"New", registry::kREG_SZ, text.data(), static_cast<std::uint32_t>(text.size())), kERROR_SUCCESS);
  EXPECT_EQ(key->set(L"List", registry::kREG_MULTI_SZ, list.data(), static_cast<std::uint32_t>(list.size())), kERROR_SUCCESS);
  EXPECT_EQ(key->set(L"Bin", registry::kREG_BINARY, odd.data(), 3), kERROR_SUCCESS);
  Json stored = read_json(path_)["registry"]["hklm\\software\\TEST"];
  EXPECT_EQ(stored["Dword"], (Json{{"type", "REG_DWORD"}, {"hex", "010203"}}));
  EXPECT_EQ(stored["New"], (Json{{"type", "REG_SZ"}, {"data", "hello"}}));
  EXPECT_EQ(stored["List"], (Json{{"type", "REG_MULTI_SZ"}, {"data", {"a", "b c"}}}));
  EXPECT_EQ(stored["Bin"], (Json{{"type", "REG_BINARY"}, {"data", "010203"}}));
  std::uint32_t type = 0;
  std::vector<std::uint8_t> back;
  EXPECT_EQ(registry::query_value(*key, L"dword", type, back), kERROR_SUCCESS);
  EXPECT_EQ(back, odd);
  EXPECT_EQ(read_json(path_)["journal"].size(), 4u);
}

TEST_F(SimRegistry, BrokenStoredValueNamesItself) {
  Json doc = read_json(path_);
  doc["registry"]["hklm\\software\\TEST"]["Bad"] = {{"type", "REG_BINARY"}, {"data", "0G"}};
  write_json(path_, doc);
  simstack::SimHost host(path_);
  std::unique_ptr<registry::Key> key;
  ASSERT_EQ(simstack::make_sim_registry(host)->open(kSub, registry::Access::Read, key), kERROR_SUCCESS);
  std::uint32_t size = 0;
  try {
    key->query(L"Bad", nullptr, nullptr, &size);
    FAIL() << "a broken value was served";
  } catch (const simstack::StateError& e) {
    EXPECT_NE(std::string(e.what()).find("registry value hklm\\software\\TEST\\Bad: data is not hexadecimal"),
              std::string::npos) << e.what();
  }
}
