#include "metrics/MetricsAddress.h"

#include <arpa/inet.h>
#include <civetweb.h>

#include <charconv>

namespace tavik {

bool CMetricsAddress::Ipv6Available() {
    constexpr unsigned kIpv6 = 8;  // the library's feature bit for IPv6
    return mg_check_feature(kIpv6) != 0;
}

std::string CMetricsAddress::Parse(const std::string& text, bool ipv6Available) {
    std::string host = "127.0.0.1";
    std::string port = text;
    bool ipv6 = false;
    if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.empty()) {
            host = "127.0.0.1";
        } else if (host.front() == '[' && host.back() == ']' && host.size() > 2) {
            host = host.substr(1, host.size() - 2);
            ipv6 = true;
        }
    }
    int number = -1;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || number < 0 ||
        number > 65535) {
        return "\"" + text + "\" needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)";
    }
    const std::string examples = ipv6Available
                                     ? " (e.g. 127.0.0.1, 0.0.0.0 for every interface, [::1])"
                                     : " (e.g. 127.0.0.1, 0.0.0.0 for every interface)";
    unsigned char buffer[16];
    if (inet_pton(ipv6 ? AF_INET6 : AF_INET, host.c_str(), buffer) != 1) {
        return "\"" + host + "\" is not a numeric " + (ipv6 ? "IPv6" : "IPv4") + " address" +
               examples;
    }
    if (ipv6 && !ipv6Available) {
        return "\"" + text + "\": IPv6 is not available in this build; listen on an IPv4 address" +
               examples;
    }
    strHost = host;
    nPort = number;
    bIpv6 = ipv6;
    return {};
}

std::string CMetricsAddress::HostPort(int port) const {
    return (bIpv6 ? "[" + strHost + "]" : strHost) + ":" + std::to_string(port);
}

std::string CMetricsAddress::ListeningPort() const {
    return HostPort(nPort);
}

}  // namespace tavik
