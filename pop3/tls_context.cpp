#include "pop3/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace tellmar::pop3 {

namespace {

namespace ssl = boost::asio::ssl;

// TLS 1.2 suites; TLS 1.3 has only such suites and keeps OpenSSL's list.
constexpr const char* kTls12Ciphers =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

std::string OpenSslError(const boost::system::error_code& error) {
  std::string text = error.message();
  if (const unsigned long code = ERR_get_error(); code != 0) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    text = buffer;
  }
  ERR_clear_error();
  return text;
}

}  // namespace

std::unique_ptr<ssl::context> MakeServerTlsContext(const std::filesystem::path& certFile,
                                                   const std::filesystem::path& keyFile, std::string& error) {
  auto context = std::make_unique<ssl::context>(ssl::context::tls_server);
  SSL_CTX* native = context->native_handle();
  SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
  SSL_CTX_set_options(native, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE |
                                  SSL_OP_IGNORE_UNEXPECTED_EOF);
  if (SSL_CTX_set_cipher_list(native, kTls12Ciphers) != 1) {
    error = "cannot set the cipher list";
    return nullptr;
  }
  // Sessions are not resumed: every connection is a full handshake, and
  // nothing is kept per client between connections.
  SSL_CTX_set_session_cache_mode(native, SSL_SESS_CACHE_OFF);
  SSL_CTX_set_num_tickets(native, 0);
  boost::system::error_code ec;
  context->use_certificate_chain_file(certFile.string(), ec);
  if (ec) {
    error = "cannot use certificate " + certFile.string() + ": " + OpenSslError(ec);
    return nullptr;
  }
  context->use_private_key_file(keyFile.string(), ssl::context::pem, ec);
  if (ec) {
    error = "cannot use key " + keyFile.string() + ": " + OpenSslError(ec);
    return nullptr;
  }
  if (SSL_CTX_check_private_key(native) != 1) {
    ERR_clear_error();
    error = "the key " + keyFile.string() + " does not belong to the certificate";
    return nullptr;
  }
  return context;
}

}  // namespace tellmar::pop3
