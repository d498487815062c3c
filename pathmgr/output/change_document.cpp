#include "output/change_document.h"

#include "output/document.h"

namespace {

// Notes the outcome of one command in the session, and stops when the command ends.
class OutcomeScope {
 public:
  OutcomeScope(Session& session, CommandOutcome& outcome) : session_(session), previous_(session.outcome) {
    session_.outcome = &outcome;
  }
  ~OutcomeScope() { session_.outcome = previous_; }
  OutcomeScope(const OutcomeScope&) = delete;
  OutcomeScope& operator=(const OutcomeScope&) = delete;

 private:
  Session& session_;
  CommandOutcome* previous_;
};

}  // namespace

void stage_usage(Session& s, JsonOutput& output, std::string_view command, int result) {
  output.stage(error_document({"usage", std::string(command), result, output.take_text(), s.major_version}));
}

int run_change(Session& s, JsonOutput& output, const ChangeRequest& change, const std::function<int()>& run) {
  CommandOutcome outcome;
  int rc = 0;
  {
    OutcomeScope scope(s, outcome);
    rc = run();
  }
  if (outcome.help_shown) {
    stage_usage(s, output, change.command, rc);
    return rc;
  }
  JsonText json;
  begin_document(json, kChangeFormat, change.command, s);
  json.key("request");
  json.begin_object();
  if (change.request) change.request(json);
  json.end_object();
  json.key("ok");
  json.boolean(rc == 0 && !outcome.failure_reported && (!change.succeeded || change.succeeded()));
  status_members(json, rc);
  if (change.results) change.results(json);
  stage_document(json, output);
  return rc;
}
