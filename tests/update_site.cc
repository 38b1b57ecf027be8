#include "tests/update_site.h"

namespace test {

HttpResponse Page(const std::string& body, int status, const std::string& type) {
  HttpResponse response;
  response.status = status;
  response.body = body;
  response.content_type = type;
  return response;
}

std::string Manifest(const std::string& version, const std::string& file_url,
                     const std::string& md5) {
  return "<update><version>" + version + "</version><md5>" + md5 +
         "</md5><file_url>" + file_url + "</file_url><compress>zip</compress></update>";
}

}  // namespace test
