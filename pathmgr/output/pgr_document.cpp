// pgr as documents: the settings and the reservations on disks as reports (keys and
// reservation decoded, the bytes in hexadecimal as well), every other sub-command as
// a change with the result of each SCSI command it sent.
#include <algorithm>
#include <cstring>
#include <vector>

#include "output/change_document.h"
#include "output/document.h"
#include "output/report_documents.h"
#include "output/report_values.h"
#include "scsi/pgr.h"
#include "scsi/reservation_data.h"

namespace {

// "key": the 8 bytes in hexadecimal; "key_text": their characters up to the first zero
// byte, as the settings show a key.
void key_members(JsonText& json, const ReservationKey& key) {
  json.key("key");
  json.hex_bytes(key.data(), key.size());
  json.key("key_text");
  const auto end = std::find(key.begin(), key.end(), 0);
  json.narrowed(std::string(key.begin(), end));
}

void result_members(JsonText& json, const PgrCommandResult& r) {
  json.key("result");
  json.number(std::uint32_t{r.ok ? 1u : 0u});
  json.key("scsi_status");
  json.number(r.status);
  json.key("sense_key");
  json.number(r.sense_key);
  json.key("asc");
  json.number(r.asc);
  json.key("ascq");
  json.number(r.ascq);
}

void registered_keys_members(JsonText& json, const RegisteredKeys& keys) {
  json.key("generation");
  json.number(keys.generation);
  json.key("additional_length");
  json.number(keys.additional_length);
  json.key("keys");
  json.begin_array();
  for (const ReservationKey& key : keys.keys) {
    json.begin_object();
    key_members(json, key);
    json.end_object();
  }
  json.end_array();
  json.key("truncated");
  json.boolean(keys.truncated);
}

void reservation_members(JsonText& json, const CurrentReservation& r) {
  json.key("generation");
  json.number(r.generation);
  json.key("additional_length");
  json.number(r.additional_length);
  json.key("reservation");
  if (!r.holder) {
    json.null();
  } else {
    json.begin_object();
    key_members(json, r.holder->key);
    json.key("scope");
    json.number(r.holder->scope);
    json.key("type");
    json.number(r.holder->type);
    json.key("type_name");
    name_or_null(json, reservation_type_name(r.holder->type));
    json.end_object();
  }
  json.key("truncated");
  json.boolean(r.truncated);
}

// One READ KEYS or READ RESERVATION: its outcome, and where the text dumps the answer,
// the bytes and their meaning.
struct ReservationRead {
  PgrCommandResult result;
  std::vector<std::uint8_t> data;  // empty when the text dumps nothing
};

struct DeviceReads {
  std::string path;
  std::optional<ReservationRead> keys;
  std::optional<ReservationRead> reservation;
};

class DocumentObserver final : public PgrObserver {
 public:
  void settings_shown(const ReservationSettings& settings) override { settings_ = settings; }
  void reservation_read(const std::string& path, std::uint8_t action, const PgrCommandResult& result,
                        const std::uint8_t* data, bool dumped) override {
    if (devices_.empty() || devices_.back().path != path || (action == 0 && devices_.back().keys))
      devices_.push_back({path, std::nullopt, std::nullopt});
    ReservationRead read{result, {}};
    if (dumped) read.data.assign(data, data + result.bytes);
    (action == 0 ? devices_.back().keys : devices_.back().reservation) = std::move(read);
  }
  void command_result(const std::string& path, const PgrCommandResult& result) override {
    results_.push_back({path, result});
  }

  const std::optional<ReservationSettings>& settings() const { return settings_; }
  const std::vector<DeviceReads>& devices() const { return devices_; }
  const std::vector<std::pair<std::string, PgrCommandResult>>& results() const { return results_; }

 private:
  std::optional<ReservationSettings> settings_;
  std::vector<DeviceReads> devices_;
  std::vector<std::pair<std::string, PgrCommandResult>> results_;
};

void write_read(JsonText& json, const char* name, const std::optional<ReservationRead>& read, bool keys) {
  json.key(name);
  if (!read) {
    json.null();
    return;
  }
  json.begin_object();
  result_members(json, read->result);
  json.key("bytes");  // what a command that did not run reports is no answer
  if (read->result.ok) json.number(read->result.bytes);
  else json.null();
  json.key("data");
  if (read->data.empty()) {
    json.null();
  } else {
    json.hex_bytes(read->data.data(), read->data.size());
    if (keys) {
      if (auto decoded = decode_read_keys(read->data.data(), read->data.size())) registered_keys_members(json, *decoded);
    } else if (auto decoded = decode_read_reservation(read->data.data(), read->data.size())) {
      reservation_members(json, *decoded);
    }
  }
  json.end_object();
}

void stage_settings(Session& s, JsonOutput& output, const ReservationSettings& settings) {
  JsonText json;
  begin_document(json, kReportFormat, "pgr", s);
  json.key("subcommand");
  json.null();
  json.key("persistent_reservation");
  json.boolean(settings.use_flag != 0);
  json.key("use_flag");
  json.number(settings.use_flag);
  key_members(json, settings.key);
  stage_document(json, output);
}

void stage_listing(Session& s, JsonOutput& output, const Words& words, const DocumentObserver& seen) {
  JsonText json;
  begin_document(json, kReportFormat, "pgr", s);
  json.key("subcommand");
  json.utf8("list");
  json.key("device");
  if (words.size() > 2) json.typed(words[2]);
  else json.null();
  json.key("devices");
  json.begin_array();
  for (const DeviceReads& d : seen.devices()) {
    json.begin_object();
    json.key("path");
    json.utf8(d.path);
    write_read(json, "registered_keys", d.keys, true);
    write_read(json, "reservations", d.reservation, false);
    json.end_object();
  }
  json.end_array();
  stage_document(json, output);
}

}  // namespace

int pgr_document(Session& s, JsonOutput& output, const Words& words) {
  const char* sub = pgr_subcommand(words);
  DocumentObserver seen;
  const bool report = sub == nullptr || std::strcmp(sub, "list") == 0;
  if (report) {
    const int rc = pgr_command(s, words, &seen);
    if (rc != 0) return rc;  // the words could not be used: an error document
    if (seen.settings()) stage_settings(s, output, *seen.settings());
    else stage_listing(s, output, words, seen);
    return rc;
  }
  ChangeRequest change;
  change.command = "pgr";
  change.request = [&](JsonText& json) {
    json.key("subcommand");
    json.utf8(sub);
    if (words.size() > 2) {
      json.key(std::strcmp(sub, "enable") == 0 ? "key" : "device");
      json.typed(words[2]);
    }
    if (words.size() > 3 && std::strcmp(sub, "enable") != 0 && std::strcmp(sub, "disable") != 0 &&
        std::strcmp(sub, "tur") != 0) {
      json.key("key");
      json.typed(words[3]);
    }
  };
  change.results = [&](JsonText& json) {
    json.key("results");
    json.begin_array();
    for (const auto& [path, result] : seen.results()) {
      json.begin_object();
      json.key("path");
      json.utf8(path);
      result_members(json, result);
      json.end_object();
    }
    json.end_array();
  };
  change.succeeded = [&] {
    return std::all_of(seen.results().begin(), seen.results().end(), [](const auto& r) { return r.second.ok; });
  };
  return run_change(s, output, change, [&] { return pgr_command(s, words, &seen); });
}
