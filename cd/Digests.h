#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

// The SHA-1 and SHA-256 digests of bytes (OpenSSL's).
std::array<uint8_t, 20> Sha1Digest(std::string_view bytes);
std::array<uint8_t, 32> Sha256Digest(std::string_view bytes);

// Lower-case hexadecimal digits of bytes.
std::string HexText(std::span<const uint8_t> bytes);

// Base64 with "._-" in place of "+/=", as the disc databases write their ids.
std::string DiscIdBase64(std::span<const uint8_t> bytes);

} // namespace quillon
