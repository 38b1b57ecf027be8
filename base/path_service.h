// PathService: where a numbered well-known directory or file (base_paths.h)
// is. Answers come from the providers and are cached for the life of the
// process, except DIR_CURRENT. Any thread may call it.
#ifndef BASE_PATH_SERVICE_H_
#define BASE_PATH_SERVICE_H_

#include "base/base_paths.h"

namespace base {

class FilePath;

class PathService {
 public:
  // Fills |result| and returns true when |key| is known; on false |result|
  // is unchanged.
  static bool Get(int key, FilePath* result);

  // Tests only: forget every cached answer, and ask |provider| (null for
  // none) before the built-in providers.
  static void ClearCacheForTesting();
  static void SetProviderForTesting(PathProviderFunction provider);
};

}  // namespace base

#endif  // BASE_PATH_SERVICE_H_
