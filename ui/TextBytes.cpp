#include "ui/TextBytes.h"

#include <QByteArray>
#include <QFile>

namespace quillon {

QString FileNameText(std::string_view bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string FileNameBytes(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

QString Utf8Text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Utf8Bytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace quillon
