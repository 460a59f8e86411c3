#pragma once

#include <memory>
#include <string>

#include "metrics/MetricsUsers.h"

namespace tavik {

// Who may reach the metrics endpoint and how: HTTPS with a certificate and key (PEM files)
// instead of HTTP, and the users whose credentials a request must carry.
struct CMetricsAccess {
    std::string strCertificate;                   // the chain, server certificate first
    std::string strKey;                           // its private key, unencrypted
    std::shared_ptr<const CMetricsUsers> pUsers;  // null: no credentials asked

    bool UsesTls() const { return !strCertificate.empty(); }
    // "CERT,KEY" as --metrics-tls takes it: empty when the two files can serve (and this holds
    // them), else why not.
    std::string SetTls(const std::string& certificateAndKey);
    // The users file of --metrics-auth: empty when it is read (and this holds its users), else
    // why not.
    std::string LoadUsers(const std::string& path);
};

}  // namespace tavik
