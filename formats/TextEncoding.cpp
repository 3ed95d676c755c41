#include "formats/TextEncoding.h"

#include <array>
#include <cstdint>

namespace quillon {

namespace {

unsigned char At(std::string_view text, size_t i)
{
    return static_cast<unsigned char>(text[i]);
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The bytes of the character a lead byte starts, or 0 for a byte that starts none.
size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether a whole character starts at `i`; `length` is set to its bytes.
bool WholeCharacterAt(std::string_view text, size_t i, size_t& length)
{
    const unsigned char lead = At(text, i);
    length = SequenceLength(lead);
    if (length == 0 || i + length > text.size())
        return false;
    for (size_t k = 1; k < length; ++k)
        if (!IsContinuation(At(text, i + k)))
            return false;
    if (length < 3)
        return true;
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    const unsigned char second = At(text, i + 1);
    switch (lead) {
    case 0xE0: return second >= 0xA0;
    case 0xED: return second <= 0x9F;
    case 0xF0: return second >= 0x90;
    case 0xF4: return second <= 0x8F;
    default: return true;
    }
}

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool IsUtf8(std::string_view bytes)
{
    size_t length = 0;
    for (size_t i = 0; i < bytes.size(); i += length)
        if (!WholeCharacterAt(bytes, i, length))
            return false;
    return true;
}

size_t Utf8Length(std::string_view utf8)
{
    size_t count = 0;
    for (const char c : utf8)
        count += IsContinuation(static_cast<unsigned char>(c)) ? 0 : 1;
    return count;
}

std::string_view Utf8Prefix(std::string_view utf8, size_t limit)
{
    if (utf8.size() <= limit)
        return utf8;
    size_t end = limit;
    while (end > 0 && IsContinuation(At(utf8, end)))
        --end;
    return utf8.substr(0, end);
}

std::string_view Utf8FirstCharacters(std::string_view utf8, size_t count)
{
    size_t end = 0;
    for (size_t characters = 0; end < utf8.size(); ++end)
        if (!IsContinuation(At(utf8, end)) && characters++ == count)
            break;
    return utf8.substr(0, end);
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    // 0x80 to 0x9F; 0 marks the bytes Windows-1252 leaves undefined.
    static constexpr std::array<uint16_t, 32> kHigh = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() * 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = At(bytes, i);
        uint32_t code = byte;
        if (byte >= 0x80 && byte <= 0x9F)
            code = kHigh[byte - 0x80] != 0 ? kHigh[byte - 0x80] : 0xFFFD;
        AppendUtf8(out, code);
    }
    return out;
}

std::string TextAsUtf8(std::string_view bytes)
{
    size_t length = 0;
    size_t i = 0;
    bool multibyte = false;
    while (i < bytes.size() && WholeCharacterAt(bytes, i, length)) {
        multibyte = multibyte || length > 1;
        i += length;
    }
    if (i == bytes.size())
        return std::string(bytes);
    // A cut character: a lead byte with fewer continuation bytes than it needs, at the
    // very end, after text that is already plainly UTF-8.
    const size_t needed = SequenceLength(At(bytes, i));
    bool cut = multibyte && needed > 1 && i + needed > bytes.size();
    for (size_t k = i + 1; cut && k < bytes.size(); ++k)
        cut = IsContinuation(At(bytes, k));
    return cut ? std::string(bytes.substr(0, i)) : Windows1252ToUtf8(bytes);
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char byte = At(utf8, i);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size() && IsContinuation(At(utf8, i + 1))) {
            out += static_cast<char>(((byte & 0x03) << 6) | (At(utf8, i + 1) & 0x3F));
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string Utf8ToLatin1Marked(std::string_view utf8)
{
    std::string out;
    size_t length = 0;
    for (size_t i = 0; i < utf8.size(); i += length) {
        if (!WholeCharacterAt(utf8, i, length)) {
            length = 1;
            out += '?';
        } else if (length == 1) {
            out += utf8[i];
        } else if (length == 2 && At(utf8, i) <= 0xC3) {
            out += static_cast<char>(((At(utf8, i) & 0x03) << 6) | (At(utf8, i + 1) & 0x3F));
        } else {
            out += '?';
        }
    }
    return out;
}

} // namespace quillon
