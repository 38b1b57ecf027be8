// Registered window messages: one number per name for the life of the
// process, as the shell's "TaskbarCreated" broadcast needs.
#include <windows.h>

#include <map>
#include <mutex>
#include <string>

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

struct Registry {
  std::mutex lock;
  std::map<std::u16string, UINT> numbers;  // by lower-cased name
};

Registry& GetRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

std::u16string Folded(LPCWSTR name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

}  // namespace

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  std::u16string key = Folded(name);
  auto it = registry.numbers.find(key);
  if (it != registry.numbers.end())
    return it->second;
  UINT number =
      kFirstRegisteredMessage + static_cast<UINT>(registry.numbers.size());
  if (number > kLastRegisteredMessage) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  registry.numbers[key] = number;
  return number;
}
