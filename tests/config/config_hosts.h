// Small hand-written hosts for the configuration tests, and readers of the journal.
#pragma once
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <memory>

#include "test_support.h"

struct V2Path {
  std::uint64_t id;
  int primary;
  int optimized;
  int tpg_state;
  int symmetric = 0;
  int alua_support = 3;
};

struct V2Device {
  std::string serial;
  int policy;
  std::vector<V2Path> paths;
};

// Family 6: each device "MPIO\Disk\<n>" with its policy, disk serial, performance
// records (port 2+path index, target n, LUN 0), descriptors and method instances.
Json family6_config_host(const std::vector<V2Device>& devices);

struct V1Path {
  std::uint64_t id;
  int primary;
  std::string hba;  // 16 hexadecimal digits
  int weight = 0;
};

struct V1Device {
  std::string serial8;  // eight hexadecimal digits of the serial number
  int policy;
  int failback;
  std::vector<V1Path> paths;
};

// Family 5: policy instances, performance records whose identifiers carry the
// address (port 2+path index, target n), HBA port, serial "<serial8>-01" and status
// Online, descriptors, and the driver's method instances.
Json family5_config_host(const std::vector<V1Device>& devices);

// The method entries of the journal (optionally only one method).
std::vector<Json> method_calls(const std::string& state_path, const std::string& method = "");
// PrimaryPath (or another field) of each path object sent in a policy call.
std::vector<int> sent_paths_field(const Json& call, const char* field);

// A test with one simulated host at a time, written to a temporary file.
class ConfigTest : public ::testing::Test {
 protected:
  SimSession& host(const Json& doc) {
    path_ = write_json(dir_.file("s.json"), doc);
    sim_ = std::make_unique<SimSession>(path_);
    return *sim_;
  }
  std::vector<Json> calls(const std::string& method) { return method_calls(path_, method); }
  TempDir dir_;
  std::string path_;
  std::unique_ptr<SimSession> sim_;
};
