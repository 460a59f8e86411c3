#include "metrics/MetricsUsers.h"

#include <crypt.h>
#include <openssl/evp.h>

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

namespace tavik {

namespace {

constexpr std::string_view kUsersKey = "basic_auth_users:";
// A hash of cost 10 for a password nobody has: checked when the user is unknown, so that an
// unknown user takes as long as a wrong password.
constexpr const char* kDummyHash = "$2b$10$abcdefghijklmnopqrstuuEsR3h00SYXMyrW4gAFeIJsp2AkXsD0u";

std::string_view Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// A YAML scalar as this subset takes it: bare (up to a " #" comment), or in single or double
// quotes without escapes; nothing when the quotes do not close.
std::optional<std::string> Scalar(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && (text.front() == '\'' || text.front() == '"')) {
        const std::size_t close = text.find(text.front(), 1);
        if (close == std::string_view::npos ||
            !(Trim(text.substr(close + 1)).empty() || Trim(text.substr(close + 1))[0] == '#')) {
            return std::nullopt;
        }
        return std::string(text.substr(1, close - 1));
    }
    if (const std::size_t comment = text.find(" #"); comment != std::string_view::npos) {
        text = Trim(text.substr(0, comment));
    }
    return std::string(text);
}

// A bcrypt hash: "$2a$", "$2b$" or "$2y$", a two-digit cost, "$" and 53 characters of salt and
// hash in bcrypt's base-64 alphabet.
bool IsBcrypt(const std::string& hash) {
    static constexpr std::string_view kAlphabet =
        "./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (hash.size() != 60 || hash.compare(0, 2, "$2") != 0 ||
        std::strchr("aby", hash[2]) == nullptr || hash[3] != '$' || hash[6] != '$' ||
        std::isdigit(static_cast<unsigned char>(hash[4])) == 0 ||
        std::isdigit(static_cast<unsigned char>(hash[5])) == 0) {
        return false;
    }
    const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
    return cost >= 4 && cost <= 31 && hash.find_first_not_of(kAlphabet, 7) == std::string::npos;
}

// Compares all of `a` with all of `b` whatever differs first.
bool SameBytes(std::string_view a, std::string_view b) {
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

// Standard base 64 with padding; nothing for another character or a wrong length.
std::optional<std::string> DecodeBase64(std::string_view text) {
    static constexpr std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=') {
            // Padding only at the end, at most two.
            if (text.size() - i > 2 || text.find_first_not_of('=', i) != std::string_view::npos) {
                return std::nullopt;
            }
            break;
        }
        const std::size_t digit = kDigits.find(text[i]);
        if (digit == std::string_view::npos) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<unsigned>(digit);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

}  // namespace

std::string CMetricsUsers::Parse(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> users;
    bool inUsers = false;
    int number = 0;
    std::istringstream lines{std::string(text)};
    for (std::string raw; std::getline(lines, raw);) {
        ++number;
        const std::string at = "line " + std::to_string(number) + ": ";
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const bool indented = raw.front() == ' ' || raw.front() == '\t';
        if (!indented) {
            if (Trim(line.substr(0, line.find(" #"))) != kUsersKey) {
                return at + "only basic_auth_users is read here, not \"" + std::string(line) + "\"";
            }
            if (inUsers || !users.empty()) {
                return at + "basic_auth_users is given twice";
            }
            inUsers = true;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (!inUsers || colon == std::string_view::npos) {
            return at + "expected \"  NAME: BCRYPT_HASH\" under basic_auth_users";
        }
        const std::optional<std::string> name = Scalar(line.substr(0, colon));
        const std::optional<std::string> hash = Scalar(line.substr(colon + 1));
        if (!name || name->empty() || !hash) {
            return at + "expected \"  NAME: BCRYPT_HASH\" under basic_auth_users";
        }
        if (!IsBcrypt(*hash)) {
            return at + "the password of " + *name +
                   " is not a bcrypt hash ($2b$..., e.g. from htpasswd -nBC 10 " + *name + ")";
        }
        for (const auto& user : users) {
            if (user.first == *name) {
                return at + "user " + *name + " is given twice";
            }
        }
        users.emplace_back(*name, *hash);
    }
    if (users.empty()) {
        return "no users: the file needs basic_auth_users with at least one NAME: BCRYPT_HASH";
    }
    m_users = std::move(users);
    return {};
}

std::string CMetricsUsers::Load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "cannot read " + path + ": " + std::strerror(errno);
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (const std::string fault = Parse(text.str()); !fault.empty()) {
        return path + ": " + fault;
    }
    return {};
}

bool CMetricsUsers::Verify(std::string_view user, std::string_view password) const {
    const std::string* hash = nullptr;
    for (const auto& entry : m_users) {
        // Every name is compared, so the time does not tell which one matched.
        if (SameBytes(entry.first, user) && hash == nullptr) {
            hash = &entry.second;
        }
    }
    const char* setting = hash != nullptr ? hash->c_str() : kDummyHash;
    // A password with a NUL byte would be cut short by crypt_r: refused.
    const bool clean = password.find('\0') == std::string_view::npos;
    const std::string key(password);
    auto data = std::make_unique<crypt_data>();
    std::lock_guard lock(m_checkMutex);
    const char* result = crypt_r(key.c_str(), setting, data.get());
    const bool match = result != nullptr && result[0] != '*' && SameBytes(result, setting);
    return match && clean && hash != nullptr;
}

bool CMetricsUsers::VerifyHeader(const char* authorization) const {
    if (authorization == nullptr) {
        return false;
    }
    const std::string_view header = Trim(authorization);
    constexpr std::string_view kScheme = "Basic ";
    if (header.size() <= kScheme.size() ||
        strncasecmp(header.data(), kScheme.data(), kScheme.size()) != 0) {
        return false;
    }
    const std::optional<std::string> decoded = DecodeBase64(Trim(header.substr(kScheme.size())));
    if (!decoded) {
        return false;
    }
    const std::size_t colon = decoded->find(':');
    if (colon == std::string::npos) {
        return false;
    }
    CDigest digest{};
    unsigned size = 0;
    if (EVP_Digest(decoded->data(), decoded->size(), digest.data(), &size, EVP_sha256(), nullptr) !=
        1) {
        return false;
    }
    if (Remembered(digest)) {
        return true;
    }
    if (!Verify(std::string_view(*decoded).substr(0, colon),
                std::string_view(*decoded).substr(colon + 1))) {
        return false;
    }
    Remember(digest);
    return true;
}

bool CMetricsUsers::Remembered(const CDigest& digest) const {
    const std::string_view wanted(reinterpret_cast<const char*>(digest.data()), digest.size());
    std::lock_guard lock(m_acceptedMutex);
    bool found = false;
    for (const CDigest& accepted : m_accepted) {
        found |= SameBytes(
            std::string_view(reinterpret_cast<const char*>(accepted.data()), accepted.size()),
            wanted);
    }
    return found;
}

void CMetricsUsers::Remember(const CDigest& digest) const {
    std::lock_guard lock(m_acceptedMutex);
    if (m_accepted.size() == kRemembered) {
        m_accepted.erase(m_accepted.begin());
    }
    m_accepted.push_back(digest);
}

}  // namespace tavik
