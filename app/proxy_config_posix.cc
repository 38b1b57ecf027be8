#include "app/proxy_config.h"

#include <stdlib.h>

#include "app/proxy_rules.h"

ProxyRoute ProxyRouteFor(const std::string&) {
  ProxyRoute route;
  for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY",
                           "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    const char* value = getenv(name);
    if (value && *value)
      route.source += (route.source.empty() ? "" : ", ") + std::string(name) +
                      "=" + WithoutCredentials(value);
  }
  route.source = route.source.empty()
                     ? "no proxy: the environment names none"
                     : "the proxy the environment names (" + route.source + ")";
  return route;
}
