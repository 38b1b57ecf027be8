#include "app/manifest_signature.h"

#include <gtest/gtest.h>

#include <string>

#include "app/manifest.h"
#include "app/startup_state.h"
#include "base/ed25519.h"

namespace {

// A key of its own for each byte |fill|.
std::string Seed(char fill) {
  return std::string(base::kEd25519SeedBytes, fill);
}

std::string PublicKeyText(const std::string& seed) {
  std::string key;
  EXPECT_TRUE(base::Ed25519PublicKey(seed, &key));
  return base::EncodeBase64(key);
}

std::string SignatureText(const std::string& signed_part,
                          const std::string& seed) {
  std::string signature;
  EXPECT_TRUE(base::SignEd25519(signed_part, seed, &signature));
  return base::EncodeBase64(signature);
}

std::string Signed(const std::string& signed_part,
                   const std::string& seed,
                   const std::string& after = "\n") {
  return signed_part + "<!-- ed25519:" + SignatureText(signed_part, seed) +
         " -->" + after;
}

const char kOffer[] =
    "<update><product>Mirovue</product><version>2.0</version><md5>a</md5>"
    "<file_url>u</file_url><compress>zip</compress>"
    "<sha256>ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff</"
    "sha256>"
    "<size>10</size></update>\n";

TEST(ManifestSignatureTest, ReadsTheLastCommentAndWhatItSigns) {
  const std::string signature = SignatureText(kOffer, Seed('a'));
  for (const std::string after : {"", "\n", " \t\r\n  "}) {
    const std::string body =
        std::string(kOffer) + "<!-- ed25519:" + signature + " -->" + after;
    std::string_view signed_part;
    std::string_view text;
    ASSERT_TRUE(ReadManifestSignature(body, &signed_part, &text));
    EXPECT_EQ(kOffer, signed_part);
    EXPECT_EQ(signature, text);
  }
  EXPECT_EQ("<!-- ed25519:" + signature + " -->",
            ManifestSignatureComment(signature));
}

TEST(ManifestSignatureTest, FindsNoSignatureUnlessTheBodyEndsWithOne) {
  const std::string comment =
      ManifestSignatureComment(SignatureText(kOffer, Seed('a')));
  const std::string bodies[] = {
      kOffer,
      std::string(kOffer) + comment + "<x/>",
      std::string(kOffer) + comment + "\f",
      std::string(kOffer) + comment + std::string(1, '\0'),
      std::string(kOffer) + comment + "<!-- later -->",
      std::string(kOffer) + "<!--ed25519:AAAA -->",
      std::string(kOffer) + "<!-- ed25519: AAAA -->",
      std::string(kOffer) + "<!-- ed25519:AAAA-->",
      std::string(kOffer) + "<!-- Ed25519:AAAA -->",
      "<!-- ed25519:AAAA --",
      " -->",
      "",
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    std::string_view signed_part;
    std::string_view text;
    EXPECT_FALSE(ReadManifestSignature(body, &signed_part, &text));
  }
}

TEST(ManifestSignatureTest,
     VerifiesOnlyTheTrustedKeysSignatureOfTheExactBytes) {
  const std::vector<std::string> trusted = {PublicKeyText(Seed('a')),
                                            PublicKeyText(Seed('b'))};
  std::string altered = Signed(kOffer, Seed('a'));
  altered[altered.find("2.0")] = '9';
  std::string bad_signature = Signed(kOffer, Seed('a'));
  bad_signature.replace(bad_signature.find("ed25519:") + 8, 4, "AAAA");
  const struct {
    const char* what;
    std::string body;
    const char* reason;  // empty: verified
  } kCases[] = {
      {"first key", Signed(kOffer, Seed('a')), ""},
      {"second key", Signed(kOffer, Seed('b')), ""},
      {"untrusted key", Signed(kOffer, Seed('c')),
       "manifest signature does not verify"},
      {"a byte changed", altered, "manifest signature does not verify"},
      {"another signature", bad_signature,
       "manifest signature does not verify"},
      {"unsigned", kOffer, "manifest is not signed"},
      {"short signature",
       std::string(kOffer) +
           ManifestSignatureComment(base::EncodeBase64(std::string(63, 'x'))),
       "manifest signature is malformed"},
      {"unpadded signature",
       std::string(kOffer) +
           ManifestSignatureComment(
               SignatureText(kOffer, Seed('a')).substr(0, 86)),
       "manifest signature is malformed"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    std::string reason;
    EXPECT_EQ(c.reason[0] == '\0',
              VerifyManifestSignature(c.body, trusted, &reason));
    EXPECT_EQ(c.reason, reason);
  }
}

// The signature is checked on the bytes as received; the parser then reads
// the same body with the comment skipped.
TEST(ManifestSignatureTest, SignedBuildAcceptsTheSignedOfferAndMarksIt) {
  const std::vector<std::string> trusted = {PublicKeyText(Seed('a'))};
  std::string body = Signed(kOffer, Seed('a'));
  g_updateInfo = UpdateInfo();
  std::string reason;
  ASSERT_TRUE(ParseManifest(&body, trusted, &reason)) << reason;
  EXPECT_EQ("2.0", g_updateInfo.version);
  EXPECT_EQ("10", g_updateInfo.size);
  EXPECT_TRUE(g_updateInfo.signed_by_trusted_key);

  std::string unsigned_body = kOffer;
  g_updateInfo = UpdateInfo();
  EXPECT_FALSE(ParseManifest(&unsigned_body, trusted, &reason));
  EXPECT_EQ("manifest is not signed", reason);

  std::string expired =
      std::string(kOffer).insert(8, "<expires>2001-01-01T00:00:00Z</expires>");
  std::string signed_expired = Signed(expired, Seed('a'));
  EXPECT_FALSE(ParseManifest(&signed_expired, trusted, &reason));
  EXPECT_EQ("manifest expired", reason);
}

// A build without keys reads a signed manifest as it reads any other.
TEST(ManifestSignatureTest, UnsignedBuildIgnoresTheSignature) {
  for (const std::string& body :
       {Signed(kOffer, Seed('c')),
        std::string(kOffer) + ManifestSignatureComment("AAAA")}) {
    std::string copy = body;
    g_updateInfo = UpdateInfo();
    std::string reason;
    EXPECT_TRUE(ParseManifest(&copy, {}, &reason)) << reason;
    EXPECT_FALSE(g_updateInfo.signed_by_trusted_key);
  }
}

}  // namespace
