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
  // Optional children, as written; empty when absent.
  std::string sha256;   // SHA-256 digest of the package file
  std::string size;     // length of the package file in bytes
  std::string product;  // the product the manifest is for
  std::string expires;  // UTC time from which the manifest is stale
  // Accepted by a build that trusts keys, so signed by one of them.
  bool signed_by_trusted_key = false;
};

#endif  // APP_UPDATE_INFO_H_
