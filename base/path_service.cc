#include "base/path_service.h"

#include <map>

#include "base/file_path.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/synchronization/lock.h"

namespace base {

namespace {

constexpr PathProviderFunction kProviders[] = {PathProviderPlatform,
                                               PathProvider};

struct PathData {
  Lock lock;
  std::map<int, FilePath> cache;                 // Guarded by |lock|.
  PathProviderFunction test_provider = nullptr;  // Guarded by |lock|.
};

// Created on first use and never destroyed, so that a lookup made while the
// process exits still finds it.
LazyInstance<PathData, LeakyLazyInstanceTraits<PathData>> g_path_data =
    LAZY_INSTANCE_INITIALIZER;

// Asks |provider|; true when it handled |key|.
bool Ask(PathProviderFunction provider, int key, FilePath* path) {
  if (provider(key, path))
    return true;
  DCHECK(path->empty()) << "provider should not have modified path";
  return false;
}

}  // namespace

bool PathService::Get(int key, FilePath* result) {
  DCHECK(result);
  DCHECK_GE(key, base::DIR_CURRENT);
  if (key == DIR_CURRENT)
    return ReadCurrentDirectory(result);

  PathData& data = g_path_data.Get();
  PathProviderFunction test_provider;
  {
    AutoLock hold(data.lock);
    auto cached = data.cache.find(key);
    if (cached != data.cache.end()) {
      *result = cached->second;
      return true;
    }
    test_provider = data.test_provider;
  }

  // Providers run without the lock: they may ask for other keys, and two
  // threads computing the same key store equal answers.
  FilePath path;
  bool handled = test_provider && Ask(test_provider, key, &path);
  for (PathProviderFunction provider : kProviders) {
    if (handled)
      break;
    handled = Ask(provider, key, &path);
  }
  if (path.empty())
    return false;

  AutoLock hold(data.lock);
  data.cache[key] = path;
  *result = path;
  return true;
}

void PathService::ClearCacheForTesting() {
  PathData& data = g_path_data.Get();
  AutoLock hold(data.lock);
  data.cache.clear();
}

void PathService::SetProviderForTesting(PathProviderFunction provider) {
  PathData& data = g_path_data.Get();
  AutoLock hold(data.lock);
  data.test_provider = provider;
}

}  // namespace base
