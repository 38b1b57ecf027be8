#include "tests/update_site.h"

#include <filesystem>

#include "tests/child_process.h"

namespace test {

HttpResponse Page(const std::string& body,
                  int status,
                  const std::string& type) {
  HttpResponse response;
  response.status = status;
  response.body = body;
  response.content_type = type;
  return response;
}

HttpResponse PackageFile(const std::string& archive) {
  HttpResponse response;
  response.content_type = "application/zip";
  response.body_file = archive;
  return response;
}

std::string Manifest(const std::string& version,
                     const std::string& file_url,
                     const std::string& md5) {
  return "<update><version>" + version + "</version><md5>" + md5 +
         "</md5><file_url>" + file_url +
         "</file_url><compress>zip</compress></update>";
}

ManifestFields OfferOf(const std::string& version,
                       const std::string& file_url,
                       const std::string& package_path) {
  return {version,
          file_url,
          Md5sum(package_path),
          Sha256sum(package_path),
          std::to_string(std::filesystem::file_size(package_path)),
          "Mirovue",
          ""};
}

std::string Manifest(const ManifestFields& fields) {
  std::string manifest =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<update>\n";
  const std::pair<const char*, const std::string*> children[] = {
      {"product", &fields.product},   {"version", &fields.version},
      {"file_url", &fields.file_url}, {"md5", &fields.md5},
      {"sha256", &fields.sha256},     {"size", &fields.size},
      {"expires", &fields.expires},
  };
  for (const auto& child : children) {
    if (!child.second->empty())
      manifest += std::string("  <") + child.first + ">" + *child.second +
                  "</" + child.first + ">\n";
  }
  return manifest + "  <compress>zip</compress>\n</update>\n";
}

}  // namespace test
