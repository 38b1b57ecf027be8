// The signature of a signed manifest: a comment that is the body's last
// markup, "<!-- ed25519:BASE64 -->", followed by nothing but ASCII white
// space (space, tab, CR, LF). BASE64 is the standard base64, with padding,
// of the Ed25519 signature of every byte of the body before the "<!--"
// that opens the comment, exactly as received. The parser skips comments,
// so the signature changes nothing of what the manifest offers.
#ifndef APP_MANIFEST_SIGNATURE_H_
#define APP_MANIFEST_SIGNATURE_H_

#include <string>
#include <string_view>
#include <vector>

// Finds the signature comment at the end of |body|. On success
// |signed_part| is every byte before it and |signature| its base64 text,
// both views into |body|; false when the body does not end that way.
bool ReadManifestSignature(std::string_view body,
                           std::string_view* signed_part,
                           std::string_view* signature);

// Whether |body| carries a signature by one of |trusted_keys| (base64
// public keys); when not, |reason| says why.
bool VerifyManifestSignature(std::string_view body,
                             const std::vector<std::string>& trusted_keys,
                             std::string* reason);

// The comment that signs a body, from the signature's base64 text.
std::string ManifestSignatureComment(std::string_view signature);

#endif  // APP_MANIFEST_SIGNATURE_H_
