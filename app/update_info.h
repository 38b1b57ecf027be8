// The values an update manifest offers: filled once by the manifest check
// on the main thread, then copied by the update dialog.
#ifndef APP_UPDATE_INFO_H_
#define APP_UPDATE_INFO_H_

#include <string>

struct UpdateInfo {
  std::string version;   // every ',' already replaced by '.'
  std::string md5;       // digest of the package file, as written
  std::string file_url;  // address of the package
  std::string compress;  // compression, as written
};

#endif  // APP_UPDATE_INFO_H_
