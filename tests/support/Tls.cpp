#include "support/Tls.h"

#include <stdexcept>

#include "support/Process.h"

namespace quill::test {

TlsFiles MakeSelfSignedCertificate(const std::string& dir) {
    TlsFiles files{dir + "/cert.pem", dir + "/key.pem"};
    // An EC key is made in milliseconds, an RSA key of useful size can take a second.
    RunResult result =
        Run({"openssl", "req", "-x509", "-nodes", "-newkey", "ec", "-pkeyopt",
             "ec_paramgen_curve:prime256v1", "-keyout", files.key, "-out", files.cert, "-days", "2",
             "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"},
            {}, std::chrono::milliseconds(20000));
    if (!result.succeeded()) {
        throw std::runtime_error("openssl could not make a certificate: " + result.Describe());
    }
    return files;
}

}  // namespace quill::test
