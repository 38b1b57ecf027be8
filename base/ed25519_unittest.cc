#include "base/ed25519.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The first two test vectors of RFC 8032, section 7.1.
struct Vector {
  std::string seed;
  std::string public_key;
  std::string message;
  std::string signature;
};

std::vector<Vector> Rfc8032Vectors() {
  return {
      {FromHex(
           "9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60"),
       FromHex(
           "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a"),
       "",
       FromHex(
           "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e06522490155"
           "5fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b")},
      {FromHex(
           "4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb"),
       FromHex(
           "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c"),
       "\x72",
       FromHex(
           "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da"
           "085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00")},
  };
}

TEST(Ed25519Test, SignsAndVerifiesTheVectorsOfRfc8032) {
  for (const Vector& v : Rfc8032Vectors()) {
    SCOPED_TRACE(EncodeBase64(v.public_key));
    std::string public_key;
    ASSERT_TRUE(Ed25519PublicKey(v.seed, &public_key));
    EXPECT_EQ(v.public_key, public_key);
    std::string signature;
    ASSERT_TRUE(SignEd25519(v.message, v.seed, &signature));
    EXPECT_EQ(v.signature, signature);
    EXPECT_TRUE(VerifyEd25519(v.message, v.signature, v.public_key));
  }
}

TEST(Ed25519Test, RefusesWhatWasNotSignedByTheKey) {
  const std::vector<Vector> vectors = Rfc8032Vectors();
  const Vector& v = vectors[1];
  std::string altered_signature = v.signature;
  altered_signature[10] ^= 1;
  const struct {
    const char* what;
    std::string message;
    std::string signature;
    std::string public_key;
  } kCases[] = {
      {"another message", "\x73", v.signature, v.public_key},
      {"a longer message", v.message + " ", v.signature, v.public_key},
      {"an altered signature", v.message, altered_signature, v.public_key},
      {"another key", v.message, v.signature, vectors[0].public_key},
      {"a short signature", v.message, v.signature.substr(0, 63), v.public_key},
      {"a short key", v.message, v.signature, v.public_key.substr(0, 31)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(VerifyEd25519(c.message, c.signature, c.public_key));
  }
  std::string signature;
  EXPECT_FALSE(SignEd25519("x", v.seed.substr(1), &signature));
}

TEST(Ed25519Test, NewKeyPairsSignWhatTheirPublicKeyVerifies) {
  std::string seed;
  std::string public_key;
  ASSERT_TRUE(MakeEd25519KeyPair(&seed, &public_key));
  std::string other_seed;
  std::string other_public_key;
  ASSERT_TRUE(MakeEd25519KeyPair(&other_seed, &other_public_key));
  EXPECT_EQ(kEd25519SeedBytes, seed.size());
  EXPECT_NE(seed, other_seed);
  std::string signature;
  ASSERT_TRUE(SignEd25519("manifest", seed, &signature));
  EXPECT_TRUE(VerifyEd25519("manifest", signature, public_key));
  EXPECT_FALSE(VerifyEd25519("manifest", signature, other_public_key));
}

TEST(Base64Test, RoundTripsAndReadsOnlyStrictStandardBase64) {
  for (const std::string bytes :
       {"", "f", "fo", "foo", "foob", "\xff\xfe\x00\x01"}) {
    std::string decoded;
    ASSERT_TRUE(DecodeBase64(EncodeBase64(bytes), &decoded));
    EXPECT_EQ(bytes, decoded);
  }
  EXPECT_EQ("Zm9vYg==", EncodeBase64("foob"));
  EXPECT_EQ("+/8=", EncodeBase64("\xfb\xff"));
  const char* const kRefused[] = {
      "Zm9vYg",      // no padding
      "Zm9vYg=",     // short padding
      "Zm9v Yg==",   // a blank inside
      "Zm9vYg==\n",  // a line break after
      "-_8=",        // the URL alphabet
      "Zm9vYh==",    // bits after the last byte
      "Zm9vYg===",   // too much padding
      "Zm9v!g==",
  };
  for (const char* text : kRefused) {
    SCOPED_TRACE(text);
    std::string decoded;
    EXPECT_FALSE(DecodeBase64(text, &decoded));
  }
}

}  // namespace
}  // namespace base
