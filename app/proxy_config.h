// Which proxy carries a request, as the user set it. libcurl reads the
// environment variables (http_proxy, https_proxy, all_proxy, no_proxy)
// itself; on Windows, when none of them names a proxy, the user's settings
// come from WinHTTP: the Internet Settings' fixed proxy, PAC script or
// automatic detection, or else the machine's default. Asked afresh for each
// address, on the thread whose request needs it: the lookup may fetch a
// PAC script.
#ifndef APP_PROXY_CONFIG_H_
#define APP_PROXY_CONFIG_H_

#include <string>
#include <vector>

struct ProxyRoute {
  // The proxies to try in order, each "host:port" or "" for a direct
  // connection; empty when libcurl chooses by the environment.
  std::vector<std::string> proxies;
  // Where the choice comes from, for the log; when |proxies| is empty, the
  // whole of what the log says about the route.
  std::string source;
};

ProxyRoute ProxyRouteFor(const std::string& url);

#endif  // APP_PROXY_CONFIG_H_
