#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "simstack/scsi/sim_iscsi.h"
#include "simstack/scsi/spc3_unit.h"

namespace simstack {

namespace {

constexpr Win32Error kERROR_SEM_TIMEOUT = 121;
constexpr std::uint32_t kIsid = 0x5A17E0;  // the same ISID for every port: the initiator name tells them apart
constexpr int kUnitAttention = 6;
constexpr int kAttentionTries = 4;

struct ContextDeleter {
  void operator()(iscsi_context* c) const {
    iscsi_logout_sync(c);
    iscsi_destroy_context(c);
  }
};
struct UrlDeleter {
  void operator()(iscsi_url* u) const { iscsi_destroy_url(u); }
};
struct TaskDeleter {
  void operator()(scsi_task* t) const { scsi_free_scsi_task(t); }
};
using Context = std::unique_ptr<iscsi_context, ContextDeleter>;
using Task = std::unique_ptr<scsi_task, TaskDeleter>;

struct Session {
  Context context;
  int lun = 0;
};

std::mutex sessions_mutex;
std::map<std::pair<std::string, std::uint8_t>, Session>& sessions() {
  static std::map<std::pair<std::string, std::uint8_t>, Session> s;
  return s;
}

Task run(iscsi_context* c, int lun, const ScsiCommand& command) {
  std::vector<std::uint8_t> cdb = command.cdb;
  const int direction = command.data_in ? SCSI_XFER_READ : command.data_out.empty() ? SCSI_XFER_NONE : SCSI_XFER_WRITE;
  const int expected = static_cast<int>(command.data_in ? command.transfer_length : command.data_out.size());
  Task task(scsi_create_task(static_cast<int>(cdb.size()), cdb.data(), direction, expected));
  if (!task) return nullptr;
  iscsi_data out{command.data_out.size(), const_cast<unsigned char*>(command.data_out.data())};
  if (iscsi_scsi_command_sync(c, lun, task.get(), command.data_out.empty() ? nullptr : &out) == nullptr) return nullptr;
  return task;
}

// The session of (url, port), logged in on first use; null when the target cannot be reached.
Session* session_of(const std::string& url, std::uint8_t port) {
  auto& all = sessions();
  auto key = std::make_pair(url, port);
  if (auto it = all.find(key); it != all.end()) return &it->second;
  const std::string initiator = "iqn.2026-12.org.pathmgr:port" + std::to_string(port);
  Context context(iscsi_create_context(initiator.c_str()));
  if (!context) return nullptr;
  std::unique_ptr<iscsi_url, UrlDeleter> parsed(iscsi_parse_full_url(context.get(), url.c_str()));
  if (!parsed) return nullptr;
  iscsi_set_targetname(context.get(), parsed->target);
  iscsi_set_session_type(context.get(), ISCSI_SESSION_NORMAL);
  iscsi_set_header_digest(context.get(), ISCSI_HEADER_DIGEST_NONE_CRC32C);
  iscsi_set_isid_random(context.get(), kIsid, 0);
  if (iscsi_connect_sync(context.get(), parsed->portal) != 0) return nullptr;
  if (iscsi_login_sync(context.get()) != 0) return nullptr;
  // A new session starts with a POWER ON RESET unit attention: TEST UNIT READY takes it.
  ScsiCommand tur;
  tur.cdb = std::vector<std::uint8_t>(6, 0);
  for (int i = 0; i < kAttentionTries; ++i) {
    Task t = run(context.get(), parsed->lun, tur);
    if (!t || t->status != SCSI_STATUS_CHECK_CONDITION || t->sense.key != kUnitAttention) break;
  }
  Session& s = all[key];
  s.context = std::move(context);
  s.lun = parsed->lun;
  return &s;
}

}  // namespace

bool iscsi_supported() { return true; }

Win32Error iscsi_open(const std::string& url, std::uint8_t port) {
  std::lock_guard lock(sessions_mutex);
  return session_of(url, port) != nullptr ? kERROR_SUCCESS : kERROR_FILE_NOT_FOUND;
}

ScsiOutcome iscsi_execute(const std::string& url, std::uint8_t port, const ScsiCommand& command) {
  std::lock_guard lock(sessions_mutex);
  ScsiOutcome out;
  Session* s = session_of(url, port);
  Task task = s != nullptr ? run(s->context.get(), s->lun, command) : nullptr;
  if (task && task->status > 0xFF) task.reset();  // a transport error, not a SCSI status
  if (!task) {
    if (s != nullptr) sessions().erase(std::make_pair(url, port));  // the connection broke: log in anew next time
    out.error = kERROR_SEM_TIMEOUT;
    return out;
  }
  out.status = static_cast<std::uint8_t>(task->status);
  if (task->status == SCSI_STATUS_CHECK_CONDITION) {
    out.sense = fixed_sense(static_cast<std::uint8_t>(task->sense.key), static_cast<std::uint8_t>(task->sense.ascq >> 8),
                            static_cast<std::uint8_t>(task->sense.ascq & 0xFF));
  } else if (command.data_in && task->datain.data != nullptr && task->datain.size > 0) {
    auto size = std::min<std::size_t>(static_cast<std::size_t>(task->datain.size), command.transfer_length);
    out.data_in.assign(task->datain.data, task->datain.data + size);
  }
  return out;
}

}  // namespace simstack
