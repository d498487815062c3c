#include "browser/mpiolist.h"

#include "browser/browser_connection.h"
#include "browser/namespace_listing.h"

int mpiolist_command(Session& session, const Words& words, std::ostream& err) {
  MpiolistRequest request;
  if (parse_mpiolist_arguments(session.out, words, request) != 0 || session.backend == nullptr) return 0;
  BrowserContext ctx{session.out, err, *session.backend, 0, request.listed->printer};
  if (auto services = connect_namespace(ctx, request)) enum_namespace(ctx, *services, request.listed->name);
  return 0;
}
