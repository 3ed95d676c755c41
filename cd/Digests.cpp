#include "cd/Digests.h"

#include <openssl/evp.h>

#include <algorithm>

namespace quillon {

namespace {

template <size_t N>
std::array<uint8_t, N> Digest(const EVP_MD* kind, std::string_view bytes)
{
    std::array<uint8_t, N> digest{};
    unsigned int length = 0;
    // A digest over memory fails only when OpenSSL cannot allocate; the zeros then name no disc.
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, kind, nullptr) != 1 || length != N)
        digest.fill(0);
    return digest;
}

} // namespace

std::array<uint8_t, 20> Sha1Digest(std::string_view bytes)
{
    return Digest<20>(EVP_sha1(), bytes);
}

std::array<uint8_t, 32> Sha256Digest(std::string_view bytes)
{
    return Digest<32>(EVP_sha256(), bytes);
}

std::string HexText(std::span<const uint8_t> bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::string DiscIdBase64(std::span<const uint8_t> bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (n > 1)
            group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (n > 2)
            group |= bytes[i + 2];
        for (size_t k = 0; k < 4; ++k)
            text += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '-';
    }
    return text;
}

} // namespace quillon
