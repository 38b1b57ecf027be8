// The public keys this updater trusts to sign manifests: raw Ed25519 keys
// written in standard base64. Empty in a build that trusts none, which
// accepts unsigned manifests as every earlier updater did. Defined in the
// one source generated from trusted_keys.cc.in for each updater binary.
#ifndef APP_TRUSTED_KEYS_H_
#define APP_TRUSTED_KEYS_H_

#include <string>
#include <vector>

std::vector<std::string> TrustedKeys();

#endif  // APP_TRUSTED_KEYS_H_
