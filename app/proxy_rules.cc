#include "app/proxy_rules.h"

#include <curl/curl.h>

#include <cctype>

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The entries of a WinHTTP list, which ';' or white space separate.
std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  std::string entry;
  for (char c : list + ";") {
    if (c == ';' || isspace(static_cast<unsigned char>(c))) {
      if (!entry.empty())
        entries.push_back(entry);
      entry.clear();
    } else {
      entry += c;
    }
  }
  return entries;
}

// Whether |text| matches |pattern|, in which '*' stands for any run of
// characters.
bool Matches(const char* pattern, const char* text) {
  if (*pattern == '\0')
    return *text == '\0';
  if (*pattern == '*')
    return Matches(pattern + 1, text) ||
           (*text != '\0' && Matches(pattern, text + 1));
  return *text == *pattern && Matches(pattern + 1, text + 1);
}

// The host pattern of a bypass entry, without a scheme or a port.
std::string HostPattern(std::string entry) {
  const size_t scheme_end = entry.find("://");
  if (scheme_end != std::string::npos)
    entry = entry.substr(scheme_end + 3);
  if (!entry.empty() && entry[0] == '[')
    return entry.substr(0, entry.find(']') + 1);
  return entry.substr(0, entry.find(':'));
}

// "localhost", ::1, or an IPv4 address in 127.0.0.0/8.
bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "[::1]" ||
         (host.compare(0, 4, "127.") == 0 &&
          host.find_first_not_of("0123456789.") == std::string::npos);
}

}  // namespace

bool SchemeAndHost(const std::string& url,
                   std::string* scheme,
                   std::string* host) {
  CURLU* parsed = curl_url();
  if (!parsed)
    return false;
  char* scheme_text = nullptr;
  char* host_text = nullptr;
  const bool found =
      curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_SCHEME, &scheme_text, 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &host_text, 0) == CURLUE_OK;
  if (found) {
    *scheme = Lower(scheme_text);
    *host = Lower(host_text);
  }
  curl_free(scheme_text);
  curl_free(host_text);
  curl_url_cleanup(parsed);
  return found;
}

std::vector<std::string> ProxiesForScheme(const std::string& list,
                                          const std::string& scheme) {
  std::vector<std::string> proxies;
  for (const std::string& entry : Entries(list)) {
    const size_t equals = entry.find('=');
    const std::string entry_scheme =
        equals == std::string::npos ? "" : Lower(entry.substr(0, equals));
    const std::string proxy =
        equals == std::string::npos ? entry : entry.substr(equals + 1);
    if (!entry_scheme.empty() && entry_scheme != scheme)
      continue;
    // A PAC script's keywords: "PROXY host:port" names the proxy after it.
    const std::string keyword = Lower(proxy);
    if (keyword == "proxy" || keyword == "http" || keyword == "https")
      continue;
    proxies.push_back(keyword == "direct" ? std::string() : proxy);
  }
  return proxies;
}

bool BypassesProxy(const std::string& host, const std::string& bypass) {
  bool loopback_direct = true;
  const std::string lower_host = Lower(host);
  for (const std::string& entry : Entries(bypass)) {
    const std::string pattern = Lower(entry);
    if (pattern == "<-loopback>") {
      loopback_direct = false;
    } else if (pattern == "<local>") {
      if (lower_host.find('.') == std::string::npos &&
          lower_host.find(':') == std::string::npos)
        return true;
    } else if (Matches(HostPattern(pattern).c_str(), lower_host.c_str())) {
      return true;
    }
  }
  return loopback_direct && IsLoopback(lower_host);
}

std::string WithoutCredentials(const std::string& proxy) {
  const size_t at = proxy.rfind('@');
  if (at == std::string::npos)
    return proxy;
  const size_t scheme_end = proxy.find("://");
  const std::string scheme =
      scheme_end == std::string::npos ? "" : proxy.substr(0, scheme_end + 3);
  return scheme + proxy.substr(at + 1);
}
