// Who may scrape the endpoint: the users file and its bcrypt hashes, the 401 of Basic
// authentication, and HTTPS with a certificate that `openssl req` makes for the test.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "metrics/MetricsAccess.h"
#include "metrics/MetricsServer.h"
#include "metrics/MetricsText.h"
#include "metrics/MetricsUsers.h"
#include "tests/support/HttpClient.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using test::Body;
using test::CClient;
using test::Has;

// crypt_blowfish's published test vector: the password "U*U".
constexpr const char* kHashOfUU = "$2a$05$CCCCCCCCCCCCCCCCCCCCC.E5YPO9kmyuRGyh0XouQYb4YMJKvyOeW";
// Made by Python's crypt (libxcrypt) for "scrape-secret", cost 4.
constexpr const char* kHashOfSecret =
    "$2b$04$PNHloCG7Ev1vjj3af3YsUuYp.h6Y4OrecdvYHqwtkEKHrQwQl0lMe";

std::string UsersFile() {
    return std::string("# scrapers\nbasic_auth_users:\n  alice: ") + kHashOfUU +
           "\n  'prometheus': \"" + kHashOfSecret + "\"  # the fleet's server\n";
}

std::string Base64(const std::string& text) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, text.size() - i);
        unsigned bits = 0;
        for (std::size_t j = 0; j < 3; ++j) {
            bits = (bits << 8) | (j < n ? static_cast<unsigned char>(text[i + j]) : 0u);
        }
        for (std::size_t j = 0; j < 4; ++j) {
            out.push_back(j <= n ? kDigits[(bits >> (18 - 6 * j)) & 63] : '=');
        }
    }
    return out;
}

TEST(MetricsUsersTest, ReadsPrometheusUsersAndRefusesAnythingElse) {
    CMetricsUsers users;
    ASSERT_EQ(users.Parse(UsersFile()), "");
    const struct {
        const char* user;
        const char* password;
        bool allowed;
    } checks[] = {
        {"alice", "U*U", true},
        {"prometheus", "scrape-secret", true},
        {"alice", "U*U ", false},
        {"alice", "scrape-secret", false},
        {"Alice", "U*U", false},
        {"bob", "U*U", false},
        {"", "", false},
        {"prometheus", "", false},
        {"prometheus", kHashOfSecret, false},
    };
    for (const auto& c : checks) {
        EXPECT_EQ(users.Verify(c.user, c.password), c.allowed) << c.user << ":" << c.password;
    }

    const std::string hash = kHashOfUU;
    const struct {
        std::string text;
        std::string fault;
    } files[] = {
        {"", "no users: the file needs basic_auth_users with at least one NAME: BCRYPT_HASH"},
        {"basic_auth_users:\n",
         "no users: the file needs basic_auth_users with at least one "
         "NAME: BCRYPT_HASH"},
        {"basic_auth_users:\n  alice: U*U\n",
         "line 2: the password of alice is not a bcrypt hash ($2b$..., e.g. from htpasswd -nBC "
         "10 alice)"},
        {"basic_auth_users:\n  alice: 0d3f" + std::string(60, 'a') + "\n",
         "line 2: the password of alice is not a bcrypt hash ($2b$..., e.g. from htpasswd -nBC "
         "10 alice)"},
        {"basic_auth_users:\n  alice: " + hash.substr(0, 59) + "\n",
         "line 2: the password of alice is not a bcrypt hash ($2b$..., e.g. from htpasswd -nBC "
         "10 alice)"},
        {"tls_server_config:\n  cert_file: a.pem\n",
         "line 1: only basic_auth_users is read here, not \"tls_server_config:\""},
        {"basic_auth_users:\n  alice: " + hash + "\n  alice: " + hash + "\n",
         "line 3: user alice is given twice"},
        {"  alice: " + hash + "\n",
         "line 1: expected \"  NAME: BCRYPT_HASH\" under basic_auth_users"},
        {"basic_auth_users:\n  alice: '" + hash + "\n",
         "line 2: expected \"  NAME: BCRYPT_HASH\" under basic_auth_users"},
    };
    for (const auto& f : files) {
        CMetricsUsers other;
        EXPECT_EQ(other.Parse(f.text), f.fault) << f.text;
        EXPECT_TRUE(other.IsEmpty());
    }
    EXPECT_EQ(CMetricsUsers().Load("/nonexistent/users.yml"),
              "cannot read /nonexistent/users.yml: No such file or directory");
}

class MetricsAccessTest : public ::testing::Test {
protected:
    // A self-signed certificate for 127.0.0.1 and its key, and a second key that is not its.
    void MakeCertificate() {
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext "
            "subjectAltName=IP:127.0.0.1 -keyout " +
            m_folder.File("key.pem") + " -out " + m_folder.File("cert.pem") +
            " 2>&1 && openssl genrsa -out " + m_folder.File("other.pem") + " 2048 2>&1";
        const auto run = test::Shell(command);
        ASSERT_EQ(run.exitCode, 0) << run.out;
    }
    std::string Start(CMetricsAccess access) {
        CMetricsAddress address;
        EXPECT_EQ(address.Parse("127.0.0.1:0"), "");
        std::string fault = m_server.Start(address, std::move(access));
        m_server.Publish(CMetricsSnapshot{});
        return fault;
    }

    test::CTempFolder m_folder;
    CMetricsServer m_server;
};

TEST_F(MetricsAccessTest, AnswersOnlyRequestsWithTheCredentialsOfAUser) {
    auto users = std::make_shared<CMetricsUsers>();
    ASSERT_EQ(users->Parse(UsersFile()), "");
    ASSERT_EQ(Start({"", "", users}), "");
    EXPECT_STREQ(m_server.Scheme(), "http");
    const std::string metrics = CMetricsText::Format(CMetricsSnapshot{});
    const struct {
        std::string authorization;  // the header's line, or none
        const char* status;
    } cases[] = {
        {"", "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic " + Base64("bob:U*U"), "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic " + Base64("alice:U*u"), "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic " + Base64("alice"), "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic " + Base64("alice:U*U") + "!", "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Bearer " + Base64("alice:U*U"), "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic " + Base64("alice:U*U"), "HTTP/1.1 200 OK"},
        {"Authorization: basic " + Base64("prometheus:scrape-secret"), "HTTP/1.1 200 OK"},
        // Credentials accepted before are remembered; others near them are not.
        {"Authorization: Basic " + Base64("alice:U*U"), "HTTP/1.1 200 OK"},
        {"Authorization: Basic " + Base64("alice:U*U "), "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic " + Base64("prometheus:U*U"), "HTTP/1.1 401 Unauthorized"},
    };
    for (const auto& c : cases) {
        for (const char* path : {"/metrics", "/other"}) {
            const std::string answer =
                CClient(m_server.GetPort())
                    .Request(std::string("GET ") + path + " HTTP/1.1\r\nHost: x\r\n" +
                             c.authorization + "\r\nConnection: close\r\n\r\n");
            const std::string status = answer.substr(0, answer.find("\r\n"));
            if (std::string(c.status).find("401") != std::string::npos) {
                EXPECT_EQ(status, c.status) << c.authorization << " " << path;
                EXPECT_TRUE(Has(answer, "\r\nWWW-Authenticate: Basic realm=\"tavik\"\r\n"));
                EXPECT_FALSE(Has(answer, "tavik_build_info"));
            } else if (std::string(path) == "/metrics") {
                EXPECT_EQ(status, c.status) << c.authorization;
                EXPECT_EQ(Body(answer), metrics);
            } else {
                EXPECT_EQ(status, "HTTP/1.1 404 Not Found") << c.authorization;
            }
        }
    }
}

// A TLS client that trusts only `caFile`: the whole answer to `request`, or "" when the
// handshake or the certificate check fails.
std::string TlsRequest(int port, const std::string& caFile, const std::string& request) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()),
                                                              &SSL_CTX_free);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_load_verify_locations(context.get(), caFile.c_str(), nullptr) != 1) {
        return "";
    }
    CClient client(port);
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context.get()), &SSL_free);
    SSL_set1_host(ssl.get(), "127.0.0.1");
    // The client's socket, shared with the TLS session; the client closes it.
    SSL_set_fd(ssl.get(), client.Fd());
    if (SSL_connect(ssl.get()) != 1) {
        return "";
    }
    SSL_write(ssl.get(), request.data(), static_cast<int>(request.size()));
    std::string answer;
    char buffer[4096];
    for (int n; (n = SSL_read(ssl.get(), buffer, sizeof buffer)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    return answer;
}

TEST_F(MetricsAccessTest, ServesHttpsOnlyWithTheCertificateGiven) {
    MakeCertificate();
    auto users = std::make_shared<CMetricsUsers>();
    ASSERT_EQ(users->Parse(UsersFile()), "");
    ASSERT_EQ(Start({m_folder.File("cert.pem"), m_folder.File("key.pem"), users}), "");
    EXPECT_STREQ(m_server.Scheme(), "https");
    const int port = m_server.GetPort();
    const std::string get = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    const std::string answer =
        TlsRequest(port, m_folder.File("cert.pem"),
                   get + "Authorization: Basic " + Base64("alice:U*U") + "\r\n\r\n");
    EXPECT_EQ(answer.substr(0, 17), "HTTP/1.1 200 OK\r\n") << answer;
    EXPECT_EQ(Body(answer), CMetricsText::Format(CMetricsSnapshot{}));
    const std::string refused = TlsRequest(port, m_folder.File("cert.pem"), get + "\r\n");
    EXPECT_EQ(refused.substr(0, refused.find("\r\n")), "HTTP/1.1 401 Unauthorized");
    // Another CA: no connection; plain HTTP on the port: no HTTP answer.
    MakeCertificate();
    EXPECT_EQ(TlsRequest(port, m_folder.File("cert.pem"), get + "\r\n"), "");
    const std::string plain = test::Get(port, "/metrics");
    EXPECT_FALSE(Has(plain, "HTTP/1.1 ")) << plain;
}

// Connections that never begin their handshake, and one that sends its handshake a byte at a
// time (each read's timeout never running out), hold the TLS front no longer than its timeout,
// and a scrape beside them is answered.
TEST_F(MetricsAccessTest, IdleTlsConnectionsAreClosedAndLeaveScrapesAnswered) {
    MakeCertificate();
    ASSERT_EQ(Start({m_folder.File("cert.pem"), m_folder.File("key.pem"), nullptr}), "");
    const int port = m_server.GetPort();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<CClient>> idle;
    for (int i = 0; i < 20; ++i) {
        idle.push_back(std::make_unique<CClient>(port));
        ASSERT_TRUE(idle.back()->IsConnected());
    }
    const std::string answer =
        TlsRequest(port, m_folder.File("cert.pem"),
                   "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(answer.substr(0, 17), "HTTP/1.1 200 OK\r\n") << answer;
    // A TLS record head announcing 512 bytes of handshake, then a byte every 200 ms until the
    // front cuts the connection (a send then fails).
    CClient dribbler(port);
    ASSERT_EQ(dribbler.SendSome(std::string("\x16\x03\x01\x02\x00", 5)), 5u);
    int sent = 0;
    while (dribbler.SendSome("x") == 1 && sent < 40) {
        ++sent;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_LT(sent, 25) << "a handshake sent byte by byte held the front for " << sent * 200
                        << " ms";
    for (auto& client : idle) {
        client->SetReceiveTimeout(std::chrono::seconds(6));
        EXPECT_EQ(client->Request(""), "");  // returns when the front closes
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
}

TEST_F(MetricsAccessTest, SaysWhyACertificateOrKeyCannotServe) {
    MakeCertificate();
    std::ofstream(m_folder.File("text.pem")) << "not a certificate\n";
    const std::string cert = m_folder.File("cert.pem");
    const struct {
        std::string certificate;
        std::string key;
        std::string fault;
    } cases[] = {
        {m_folder.File("none.pem"), m_folder.File("key.pem"),
         "cannot read " + m_folder.File("none.pem") + ": No such file or directory"},
        {cert, m_folder.File("none.pem"),
         "cannot read " + m_folder.File("none.pem") + ": No such file or directory"},
        {m_folder.File("text.pem"), m_folder.File("key.pem"),
         m_folder.File("text.pem") + " is not a PEM certificate: no start line"},
        {cert, m_folder.File("text.pem"),
         m_folder.File("text.pem") + " is not an unencrypted PEM private key"},
        {cert, cert, cert + " is not an unencrypted PEM private key"},
        {cert, m_folder.File("other.pem"),
         m_folder.File("other.pem") + " is not the key of " + cert + ": key values mismatch"},
    };
    for (const auto& c : cases) {
        CMetricsServer server;
        CMetricsAddress address;
        ASSERT_EQ(address.Parse("0"), "");
        EXPECT_EQ(server.Start(address, {c.certificate, c.key, nullptr}), c.fault);
        EXPECT_EQ(server.GetPort(), 0);
    }
    // The port of a running endpoint is taken for HTTPS as for HTTP.
    ASSERT_EQ(Start({}), "");
    CMetricsAddress taken;
    ASSERT_EQ(taken.Parse(std::to_string(m_server.GetPort())), "");
    CMetricsServer second;
    EXPECT_EQ(second.Start(taken, {cert, m_folder.File("key.pem"), nullptr}),
              "Address already in use");
}

}  // namespace
}  // namespace tavik
