// manifest_tool: the vendor's side of signed updates. Makes a key pair,
// writes the signed manifest of each release, and checks a manifest the way
// an updater that trusts a key does.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/manifest.h"
#include "app/startup_state.h"
#include "base/ed25519.h"
#include "base/file.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/string_number_conversions.h"
#include "base/string_util.h"
#include "base/utc_time.h"
#include "base/utf_string_conversions.h"
#include "base/version.h"
#include "tools/manifest_tool/signed_manifest.h"

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  manifest_tool keygen --secret-key=FILE\n"
    "      Makes a key pair: writes the secret key to FILE, which must not\n"
    "      exist and only its owner may read, and prints the public key.\n"
    "  manifest_tool sign --package=ZIP --version=V --url=URL "
    "--secret-key=FILE\n"
    "                     --output=MANIFEST [--expires-in-days=N | "
    "--no-expiry]\n"
    "      Writes the signed manifest of the package ZIP, served at URL, as\n"
    "      version V; it expires in 90 days unless told otherwise.\n"
    "  manifest_tool verify --manifest=FILE --public-key=KEY\n"
    "      Says whether an updater that trusts KEY accepts the manifest, and\n"
    "      why not.\n";

constexpr int kDefaultExpiryDays = 90;
constexpr int64_t kSecondsPerDay = 86400;

int Fail(const std::string& message) {
  fprintf(stderr, "manifest_tool: %s\n", message.c_str());
  return 1;
}

base::FilePath PathOf(const std::string& utf8) {
  return base::FilePath(base::UTF8ToUTF16(utf8));
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  base::File file = base::File::OpenForRead(PathOf(path));
  if (!file.IsValid())
    return false;
  contents->clear();
  char buffer[4096];
  for (;;) {
    const int64_t got = file.Read(buffer, sizeof(buffer));
    if (got < 0)
      return false;
    if (got == 0)
      return true;
    contents->append(buffer, static_cast<size_t>(got));
  }
}

// The secret key in the file at |path|: its seed in base64 on one line.
bool ReadSecretKey(const std::string& path, std::string* seed) {
  std::string text;
  return ReadWholeFile(path, &text) &&
         base::DecodeBase64(base::TrimWhitespaceASCII(text), seed) &&
         seed->size() == base::kEd25519SeedBytes;
}

int MakeKeyPair(const std::map<std::string, std::string>& options) {
  const auto secret_path = options.find("secret-key");
  if (secret_path == options.end())
    return Fail("keygen needs --secret-key=FILE");
  std::string seed;
  std::string public_key;
  if (!base::MakeEd25519KeyPair(&seed, &public_key))
    return Fail("cannot make a key pair");
  // Never over an existing file: that could be the only copy of a key.
  base::File file = base::File::CreateNewPrivate(PathOf(secret_path->second));
  const std::string line = base::EncodeBase64(seed) + "\n";
  if (!file.IsValid())
    return Fail("cannot create " + secret_path->second +
                " (it must not exist yet)");
  if (!file.WriteAll(line.data(), line.size()) || !file.Flush() ||
      !file.Close())
    return Fail("cannot write " + secret_path->second);
  printf("%s\n", base::EncodeBase64(public_key).c_str());
  return 0;
}

int Sign(const std::map<std::string, std::string>& options) {
  for (const char* name :
       {"package", "version", "url", "secret-key", "output"}) {
    if (!options.count(name))
      return Fail(std::string("sign needs --") + name);
  }
  // Written dotted, as the updater compares it: "1, 0, 3, 0" is 1.0.3.0.
  ReleaseOffer offer;
  std::string dotted;
  base::ReplaceCharacters(options.at("version"), ",", ".", &dotted);
  const base::Version version(dotted);
  if (!version.IsValid())
    return Fail("not a version: " + options.at("version"));
  for (uint16_t component : version.components())
    offer.version +=
        (offer.version.empty() ? "" : ".") + std::to_string(component);
  offer.file_url = options.at("url");
  std::string error;
  if (!DescribePackage(PathOf(options.at("package")), &offer, &error))
    return Fail(error + ": " + options.at("package"));

  int32_t days = kDefaultExpiryDays;
  if (options.count("expires-in-days") &&
      (!base::ParseInt(options.at("expires-in-days"), &days) || days < 0)) {
    return Fail("--expires-in-days wants a number of days");
  }
  if (options.count("no-expiry") && options.count("expires-in-days"))
    return Fail("--no-expiry and --expires-in-days exclude each other");
  if (!options.count("no-expiry"))
    offer.expires =
        base::FormatUtcTime(base::UtcNowSeconds() + days * kSecondsPerDay);

  std::string seed;
  if (!ReadSecretKey(options.at("secret-key"), &seed))
    return Fail("no secret key in " + options.at("secret-key"));
  // Written byte for byte: the signature covers the bytes as they are.
  const std::string manifest = SignedManifest(offer, seed);
  base::ScopedFILE out = base::OpenFile(PathOf(options.at("output")), "wb");
  if (!out ||
      fwrite(manifest.data(), 1, manifest.size(), out.get()) !=
          manifest.size() ||
      fclose(out.release()) != 0) {
    return Fail("cannot write " + options.at("output"));
  }
  return 0;
}

int Verify(const std::map<std::string, std::string>& options) {
  if (!options.count("manifest") || !options.count("public-key"))
    return Fail("verify needs --manifest=FILE and --public-key=KEY");
  std::string key;
  if (!base::DecodeBase64(options.at("public-key"), &key) ||
      key.size() != base::kEd25519PublicKeyBytes) {
    return Fail("not a public key: " + options.at("public-key"));
  }
  std::string body;
  if (!ReadWholeFile(options.at("manifest"), &body))
    return Fail("cannot read " + options.at("manifest"));
  std::string reason;
  if (!ParseManifest(&body, {options.at("public-key")}, &reason)) {
    printf("refused: %s\n", reason.c_str());
    return 1;
  }
  printf("accepted: version %s of %s%s%s\n", g_updateInfo.version.c_str(),
         g_updateInfo.file_url.c_str(),
         g_updateInfo.expires.empty() ? "" : ", expires ",
         g_updateInfo.expires.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using Command = int (*)(const std::map<std::string, std::string>&);
  const struct {
    const char* name;
    Command run;
    std::vector<std::string> options;
  } kCommands[] = {
      {"keygen", MakeKeyPair, {"secret-key"}},
      {"sign",
       Sign,
       {"package", "version", "url", "secret-key", "output", "expires-in-days",
        "no-expiry"}},
      {"verify", Verify, {"manifest", "public-key"}},
  };
  for (const auto& command : kCommands) {
    if (argc < 2 || command.name != std::string(argv[1]))
      continue;
    // Options are --name=value, or --name alone.
    std::map<std::string, std::string> options;
    for (int i = 2; i < argc; ++i) {
      const std::string argument = argv[i];
      const size_t equals = argument.find('=');
      const std::string name =
          argument.substr(2, equals == std::string::npos ? equals : equals - 2);
      if (argument.rfind("--", 0) != 0 ||
          std::find(command.options.begin(), command.options.end(), name) ==
              command.options.end()) {
        fputs(kUsage, stderr);
        return 2;
      }
      options[name] = equals == std::string::npos ? std::string()
                                                  : argument.substr(equals + 1);
    }
    return command.run(options);
  }
  fputs(kUsage, stderr);
  return 2;
}
