#pragma once

#include <array>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik {

// The users allowed to scrape the metrics endpoint, as Prometheus's own web configuration names
// them: a YAML file of the form
//
//   basic_auth_users:
//     NAME: HASH
//
// with bcrypt hashes ("$2a$", "$2b$", "$2y$"; `htpasswd -nBC 10 NAME` or Python's bcrypt make
// them), values bare or quoted, `#` comments and blank lines. Only bcrypt: a password is never
// stored in plain text, and an unsalted fast hash (SHA-256) could be reversed by brute force from
// a leaked file, so neither is accepted.
class CMetricsUsers {
public:
    // Empty when `text` is such a file (and this holds its users), else why it is not, with the
    // line ("line 3: ...").
    std::string Parse(std::string_view text);
    // Reads and parses the file at `path`; empty, or why it cannot be used.
    std::string Load(const std::string& path);
    bool IsEmpty() const { return m_users.empty(); }

    // Whether `user` with `password` may scrape. The time taken does not depend on whether the
    // user exists or where the hashes differ.
    bool Verify(std::string_view user, std::string_view password) const;
    // Whether an Authorization header's value ("Basic BASE64(user:password)") names such a user;
    // false for none (null) or another scheme. Any thread.
    bool VerifyHeader(const char* authorization) const;

    // Credentials accepted lately, remembered by their SHA-256 so that a scraper's repeated
    // header costs no bcrypt check.
    static constexpr std::size_t kRemembered = 8;

private:
    using CDigest = std::array<unsigned char, 32>;
    bool Remembered(const CDigest& digest) const;
    void Remember(const CDigest& digest) const;

    std::vector<std::pair<std::string, std::string>> m_users;  // name, bcrypt hash
    // bcrypt checks one at a time: requests with wrong credentials, however many, keep at most
    // one core busy, and the measurement keeps the others.
    mutable std::mutex m_checkMutex;
    mutable std::mutex m_acceptedMutex;  // m_accepted
    mutable std::vector<CDigest> m_accepted;
};

}  // namespace tavik
