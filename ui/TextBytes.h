#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quillon {

// The one place where the windows turn the core's bytes into Qt strings and back.
//
// File-system names and folders (paths, job names, messages that quote a path) are the
// file system's bytes and go through QFile's name codec, the one Qt itself uses to open
// them. Every other text is UTF-8: the program's own texts, stored disc texts and tag
// texts, the figures of a run and the C library's locale texts (Qt reads the locale as
// UTF-8 on Linux).
QString FileNameText(std::string_view bytes);
std::string FileNameBytes(const QString& text);

QString Utf8Text(std::string_view bytes);
std::string Utf8Bytes(const QString& text);

} // namespace quillon
