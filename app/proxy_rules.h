// How Windows reads its proxy settings, as plain text rules that hold on
// every system: a WinHTTP proxy list, a bypass list, and the host a request
// goes to. Plain functions; any thread.
#ifndef APP_PROXY_RULES_H_
#define APP_PROXY_RULES_H_

#include <string>
#include <vector>

// The scheme and host of |url|, lower case (an IPv6 host in brackets);
// false when it names none.
bool SchemeAndHost(const std::string& url,
                   std::string* scheme,
                   std::string* host);

// The proxies that the WinHTTP list |list| names for a request in |scheme|,
// in order, each "host:port" or "" for "DIRECT". Entries are separated by
// ';' or white space; "scheme=host:port" applies to that scheme alone, a
// plain entry to every scheme, so a SOCKS entry ("socks=...") is left out.
std::vector<std::string> ProxiesForScheme(const std::string& list,
                                          const std::string& scheme);

// Whether a request to |host| goes direct by the bypass list |bypass|: an
// entry names a host, with '*' for any run of characters (a scheme and a
// port in it are not compared); "<local>" stands for every name without a
// dot. Loopback addresses and "localhost" go direct unless the list holds
// "<-loopback>".
bool BypassesProxy(const std::string& host, const std::string& bypass);

// |proxy| without a user name and password it may carry, for the log.
std::string WithoutCredentials(const std::string& proxy);

#endif  // APP_PROXY_RULES_H_
