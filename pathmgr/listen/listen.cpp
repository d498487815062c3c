#include "listen/listen.h"

#include <memory>

#include "listen/event_printer.h"

int listen_for_events(Session& s, std::istream& in) {
  // Printed before the subscription starts: no event can come between the two lines.
  return listen_with_sink(s, in, std::make_shared<EventPrinter>(s.out), [&s] {
    s.out << "\n" << std::flush;
    s.out << " listening mode, press ENTER to stop..." << "\n" << std::flush;
  });
}

int listen_with_sink(Session& s, std::istream& in, std::shared_ptr<wmi::NotificationSink> sink,
                     const std::function<void()>& announce) {
  if (announce) announce();
  std::unique_ptr<wmi::Subscription> subscription;
  if (hr_failed(s.wmi->exec_notification_query_async(L"SELECT * FROM MPIO_EventEntry", std::move(sink), subscription)) ||
      !subscription)
    return 1;
  std::istream::int_type c;
  do {
    c = in.get();
  } while (c == 0);
  subscription->cancel();
  return 0;
}
