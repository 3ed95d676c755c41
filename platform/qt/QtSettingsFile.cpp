#include "platform/qt/QtSettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>

namespace quillon {

namespace {

const QString kGroup = QStringLiteral("Default Settings");

} // namespace

struct QtSettingsFile::Reader
{
    explicit Reader(const QString& path)
        : settings(path, QSettings::IniFormat)
    {
    }
    QSettings settings;
};

QtSettingsFile::QtSettingsFile(std::string path)
    : path_(std::move(path))
{
}

QtSettingsFile::~QtSettingsFile() = default;

bool QtSettingsFile::OpenForReading()
{
    reader_.reset();
    const QString path = QString::fromStdString(path_);
    const QFileInfo info(path);
    if (path_.empty() || !info.isFile() || !info.isReadable())
        return false;
    auto reader = std::make_unique<Reader>(path);
    if (reader->settings.status() != QSettings::NoError)
        return false;
    reader_ = std::move(reader);
    return true;
}

std::optional<std::string> QtSettingsFile::ReadValue(const std::string& name)
{
    if (!reader_)
        return std::nullopt;
    const QVariant value = reader_->settings.value(kGroup + "/" + QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    // An unquoted comma makes QSettings split a text into a list; the stored text is the whole.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(',').toStdString();
    if (!value.canConvert<QString>())
        return std::nullopt;
    return value.toString().toStdString();
}

int QtSettingsFile::WriteAll(std::span<const std::pair<std::string, std::string>> values)
{
    if (path_.empty())
        return ENOENT;
    const QString path = QString::fromStdString(path_);
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath()))
        return EACCES;

    QString temporaryPath;
    {
        QTemporaryFile file(target.absoluteFilePath() + QStringLiteral(".XXXXXX"));
        file.setAutoRemove(false);
        if (!file.open())
            return EACCES;
        temporaryPath = file.fileName();
    }
    int result = 0;
    {
        QSettings out(temporaryPath, QSettings::IniFormat);
        // Keep whatever else a readable old file holds.
        if (target.isFile()) {
            QSettings old(path, QSettings::IniFormat);
            if (old.status() == QSettings::NoError) {
                for (const QString& key : old.allKeys())
                    out.setValue(key, old.value(key));
            }
        }
        for (const auto& [name, value] : values)
            out.setValue(kGroup + "/" + QString::fromStdString(name), QString::fromStdString(value));
        out.sync();
        if (out.status() != QSettings::NoError)
            result = EIO;
    }
    if (result == 0 && std::rename(temporaryPath.toLocal8Bit().constData(), path.toLocal8Bit().constData()) != 0)
        result = errno;
    if (result != 0)
        QFile::remove(temporaryPath);
    return result;
}

} // namespace quillon
