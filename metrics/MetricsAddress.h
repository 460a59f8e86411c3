#pragma once

#include <string>

namespace tavik {

// Where the metrics endpoint listens: "PORT" or ":PORT" on 127.0.0.1 (only this machine),
// "ADDR:PORT" with a numeric IPv4 address, "[ADDR]:PORT" with an IPv6 one. Port 0 takes a free
// port, which the server reports once listening.
struct CMetricsAddress {
    std::string strHost = "127.0.0.1";
    int nPort = 0;
    bool bIpv6 = false;

    // Empty when `text` is a valid address (and this holds it), else why it is not. An IPv6
    // address is refused, and none suggested, when `ipv6` is false.
    std::string Parse(const std::string& text, bool ipv6 = Ipv6Available());
    // Whether the HTTP library was built with IPv6.
    static bool Ipv6Available();
    // As CivetWeb's listening_ports option takes it: "127.0.0.1:9101", "[::1]:9101".
    std::string ListeningPort() const;
    // "127.0.0.1:9101" or "[::1]:9101" with the given port.
    std::string HostPort(int port) const;
};

}  // namespace tavik
