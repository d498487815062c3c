#include "browser/browser_connection.h"

#include "browser/wmi_error_report.h"

std::unique_ptr<wmi::Services> connect_namespace(BrowserContext& ctx, MpiolistRequest& request) {
  wmi::Backend& backend = ctx.backend;
  HResult hr = backend.create_locator(request.namespace_path);
  if (hr_failed(hr)) {
    request.wipe_credentials();
    print_wmi_error(ctx, "Failed to create IWbemLocator object", hr);
    return nullptr;
  }
  std::unique_ptr<wmi::Services> services;
  hr = backend.connect_server(request.namespace_path, request.user, request.password, services);
  request.wipe_credentials();
  if (hr_failed(hr)) {
    backend.release_locator();
    print_wmi_error(ctx, "ConnectServer failed", hr);
    return nullptr;
  }
  hr = backend.set_proxy_blanket(*services);
  if (hr_failed(hr)) {
    services.reset();
    backend.release_locator();
    print_wmi_error(ctx, "CoSetProxyBlanket Failed on set proxy blanket", hr);  // while the error object is there
    backend.uninitialize_com();
    return nullptr;
  }
  backend.release_locator();
  return services;
}
