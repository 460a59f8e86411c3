#include "metrics/MetricsAccess.h"

#include "metrics/MetricsTlsFront.h"

namespace tavik {

std::string CMetricsAccess::SetTls(const std::string& certificateAndKey) {
    const std::size_t comma = certificateAndKey.find(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == certificateAndKey.size()) {
        return "\"" + certificateAndKey + "\" needs CERT,KEY: the PEM files of the certificate " +
               "and of its private key";
    }
    const std::string certificate = certificateAndKey.substr(0, comma);
    const std::string key = certificateAndKey.substr(comma + 1);
    if (std::string fault = CMetricsTlsFront::Check(certificate, key); !fault.empty()) {
        return fault;
    }
    strCertificate = certificate;
    strKey = key;
    return {};
}

std::string CMetricsAccess::LoadUsers(const std::string& path) {
    auto users = std::make_shared<CMetricsUsers>();
    if (std::string fault = users->Load(path); !fault.empty()) {
        return fault;
    }
    pUsers = std::move(users);
    return {};
}

}  // namespace tavik
