#pragma once

#include <string>

namespace quill::test {

struct TlsFiles {
    std::string cert;
    std::string key;
};

// A throw-away self-signed certificate for 127.0.0.1 (made with the openssl tool), written
// as cert.pem and key.pem into dir. Throws std::runtime_error when openssl fails.
TlsFiles MakeSelfSignedCertificate(const std::string& dir);

}  // namespace quill::test
