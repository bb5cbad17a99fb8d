// The server's TLS settings: the certificate and key from PEM files, TLS 1.2
// or newer, forward-secret AEAD ciphers only, no compression and no
// renegotiation.
#pragma once

#include <boost/asio/ssl/context.hpp>

#include <filesystem>
#include <memory>
#include <string>

namespace tellmar::pop3 {

// nullptr with `error` set (a text for the activity log) when the files
// cannot be used.
std::unique_ptr<boost::asio::ssl::context> MakeServerTlsContext(const std::filesystem::path& certFile,
                                                                const std::filesystem::path& keyFile,
                                                                std::string& error);

}  // namespace tellmar::pop3
