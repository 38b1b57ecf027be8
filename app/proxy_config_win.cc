#include "app/proxy_config.h"

#include <windows.h>
#include <winhttp.h>

#include "app/proxy_rules.h"
#include "base/logging.h"
#include "base/utf_string_conversions.h"
#include "base/win/wide_text.h"

namespace {

// Takes a string that WinHTTP allocated for the caller, and frees it.
std::string Take(LPWSTR text) {
  if (!text)
    return std::string();
  std::string utf8 = base::UTF16ToUTF8(AsChar16(text));
  GlobalFree(text);
  return utf8;
}

// Owns a WinHTTP session handle.
class ScopedInternetHandle {
 public:
  explicit ScopedInternetHandle(HINTERNET handle) : handle_(handle) {}
  ~ScopedInternetHandle() {
    if (handle_)
      WinHttpCloseHandle(handle_);
  }
  ScopedInternetHandle(const ScopedInternetHandle&) = delete;
  ScopedInternetHandle& operator=(const ScopedInternetHandle&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

// Whether a variable that libcurl reads names a proxy.
bool EnvironmentNamesProxy() {
  for (const wchar_t* name : {L"http_proxy", L"https_proxy", L"all_proxy"}) {
    if (GetEnvironmentVariableW(name, nullptr, 0) > 1)
      return true;
  }
  return false;
}

// The route by a list of proxies and the bypass list that goes with it.
ProxyRoute RouteBy(const std::string& list,
                   const std::string& bypass,
                   const std::string& scheme,
                   const std::string& host,
                   const std::string& source) {
  ProxyRoute route;
  route.source = source;
  if (!BypassesProxy(host, bypass))
    route.proxies = ProxiesForScheme(list, scheme);
  if (route.proxies.empty())
    route.proxies.push_back(std::string());
  return route;
}

// Asks WinHTTP what the PAC script (at |pac_url|, or found by automatic
// detection) says for |url|; false when it cannot tell.
bool AskPacScript(const std::string& url,
                  bool auto_detect,
                  const std::string& pac_url,
                  std::string* list,
                  std::string* bypass) {
  ScopedInternetHandle session(
      WinHttpOpen(L"updater", WINHTTP_ACCESS_TYPE_NO_PROXY,
                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.get())
    return false;
  const std::u16string wide_pac_url = base::UTF8ToUTF16(pac_url);
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (auto_detect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags =
        WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (!pac_url.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = AsWCHAR(wide_pac_url.c_str());
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  const std::u16string wide_url = base::UTF8ToUTF16(url);
  if (!WinHttpGetProxyForUrl(session.get(), AsWCHAR(wide_url.c_str()), &options,
                             &info)) {
    LOG(WARNING) << "The proxy script gives no answer for " << url << " (error "
                 << GetLastError() << ")";
    return false;
  }
  *list = Take(info.lpszProxy);
  *bypass = Take(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY)
    list->clear();
  return true;
}

}  // namespace

ProxyRoute ProxyRouteFor(const std::string& url) {
  std::string scheme;
  std::string host;
  if (EnvironmentNamesProxy() || !SchemeAndHost(url, &scheme, &host))
    return {{}, "the proxy the environment names"};

  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
    const std::string pac_url = Take(user.lpszAutoConfigUrl);
    const std::string proxy = Take(user.lpszProxy);
    const std::string bypass = Take(user.lpszProxyBypass);
    std::string pac_list;
    std::string pac_bypass;
    if ((user.fAutoDetect || !pac_url.empty()) &&
        AskPacScript(url, user.fAutoDetect, pac_url, &pac_list, &pac_bypass)) {
      return RouteBy(pac_list, pac_bypass, scheme, host,
                     pac_url.empty() ? "the detected proxy script"
                                     : "the proxy script " + pac_url);
    }
    if (!proxy.empty())
      return RouteBy(proxy, bypass, scheme, host, "the user's proxy settings");
    if (user.fAutoDetect || !pac_url.empty())
      return {{std::string()}, "the user's proxy settings"};
  }

  WINHTTP_PROXY_INFO machine = {};
  if (WinHttpGetDefaultProxyConfiguration(&machine)) {
    const std::string proxy = Take(machine.lpszProxy);
    const std::string bypass = Take(machine.lpszProxyBypass);
    if (machine.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY &&
        !proxy.empty())
      return RouteBy(proxy, bypass, scheme, host,
                     "the machine's default proxy");
  }
  return {{std::string()}, "no proxy settings"};
}
