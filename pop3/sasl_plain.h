// The client's response of SASL PLAIN (RFC 4616): base64 of
// authorization identity, NUL, user name, NUL, password.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tellmar::pop3 {

struct PlainCredentials {
  std::string authorizationId;  // empty: the same as the user
  std::string user;
  std::string password;
};

// Strict base64 (RFC 4648, padding required); nullopt on anything else.
std::optional<std::string> DecodeBase64(std::string_view text);

// nullopt when the response is not valid base64 or not three NUL-separated
// fields, or when the user name is empty.
std::optional<PlainCredentials> DecodeSaslPlain(std::string_view response);

}  // namespace tellmar::pop3
