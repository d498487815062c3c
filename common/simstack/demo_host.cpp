#include "simstack/demo_host.h"

namespace simstack {

Json demo_host() {
  Json doc = Json::object();
  doc["format"] = kFormat;
  doc["os"] = {{"major", 6}, {"minor", 1}};
  doc["wmi"] = Json::object();
  return doc;
}

}  // namespace simstack
