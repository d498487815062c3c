// The dispatcher and its argument conversion on any words: the first byte picks the
// family, the rest is split into words at blanks. Handlers only record their calls.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "inventory/inventory.h"
#include "shell/dispatch.h"

namespace {

CommandHandlers recording_handlers(int& calls) {
  CommandHandlers h;
  auto count = [&calls] {
    ++calls;
    return 7;
  };
  h.devinfo_list = count;
  h.load_inventory = [](Inventory&) { return 0; };
  h.set_all_devices_policy = [=](Inventory&, const std::string&) { return count(); };
  h.set_device_policy = [=](Inventory&, const std::string&, const std::string&) { return count(); };
  h.pathinfo_list = [=](const std::string&, const std::string&) { return count(); };
  h.pathinfo_detail = [=](std::uint64_t) { return count(); };
  h.set_hba_path_status = [=](const std::string&, const std::string&) { return count(); };
  h.set_path_state = [=](const std::string&, std::uint64_t, const std::string&) { return count(); };
  h.show_policies = count;
  h.clear_all_counters = count;
  h.clear_counters = [=](const std::string*, bool) { return count(); };
  h.set_path_primary = [=](std::uint64_t, int) { return count(); };
  h.set_path_preferred = [=](const std::string&, std::uint64_t, const std::string&) { return count(); };
  h.set_path_weight = [=](std::uint64_t, std::int32_t) { return count(); };
  h.set_path_weight_v2 = [=](const std::string&, std::uint64_t, std::int32_t) { return count(); };
  h.dump_instances = [=](const std::string&) { return count(); };
  h.listen_for_events = count;
  h.show_io_status = [=](const Words&) { return count(); };
  h.pgr = [=](const Words&) { return count(); };
  h.set_parameters = [=](const Words&) { return count(); };
  h.mpiolist = [=](const Words&) { return count(); };
  h.show_dsm_timers = count;
  h.set_dsm_timers = [=](const Words&) { return count(); };
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned major = (data[0] & 1) != 0 ? 5 : 6;
  Words words;
  std::string word;
  for (std::size_t i = 1; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == ' ' || c == '\n' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));

  std::ostringstream out;
  Session session{out, major};
  int calls = 0;
  const int rc = dispatch_command(session, recording_handlers(calls), words);
  FUZZ_EXPECT(calls <= 1);             // one command runs one handler at most
  FUZZ_EXPECT(calls == 0 || rc == 7);  // and its result is the command's
  return 0;
}
