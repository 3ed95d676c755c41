#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points
// past U+10FFFF).
bool IsUtf8(std::string_view bytes);

// The characters of a UTF-8 text (its bytes that start one).
size_t Utf8Length(std::string_view utf8);

// The longest start of a UTF-8 text of at most `limit` bytes that does not end inside a
// character.
std::string_view Utf8Prefix(std::string_view utf8, size_t limit);

// The first `count` characters of a UTF-8 text (all of it when it has fewer).
std::string_view Utf8FirstCharacters(std::string_view utf8, size_t count);

// Windows-1252 bytes (the 8-bit text of Windows tools, a superset of Latin-1's letters)
// as UTF-8; the five bytes it leaves undefined become U+FFFD.
std::string Windows1252ToUtf8(std::string_view bytes);

// 8-bit text of unknown encoding as UTF-8: UTF-8 stays as it is, less a character cut in
// half at its end (a fixed-width field cut it); anything else is read as Windows-1252.
std::string TextAsUtf8(std::string_view bytes);

// A UTF-8 text as Latin-1, or none when it holds a character Latin-1 lacks.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// A UTF-8 text as Latin-1, each character Latin-1 lacks (and each byte that starts no
// whole character) as one "?".
std::string Utf8ToLatin1Marked(std::string_view utf8);

} // namespace quillon
