#include "platform/qt/QtSettingsFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

const QString kGroup = QStringLiteral("Default Settings");

// A save that was killed leaves its temporary file and the lock files QSettings keeps
// beside it. Our temporary names carry the saving process's number, so the leftovers of
// a process that no longer exists go at once; others only once no save can still be
// using them.
constexpr int kStaleSeconds = 60;
const QString kTemporaryInfix = QStringLiteral(".quillon-save-");

// The process number in "<name>.quillon-save-<pid>-*", or 0.
pid_t SavingProcess(const QString& name, const QString& settingsName)
{
    const QString rest = name.mid(settingsName.size() + kTemporaryInfix.size());
    const qsizetype dash = rest.indexOf('-');
    bool ok = false;
    const long pid = dash > 0 ? rest.left(dash).toLong(&ok) : 0;
    return ok && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

bool ProcessIsGone(pid_t pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Ours: "<name>.quillon-save-*"; and what earlier versions left, "<name>.AbC123" (always
// empty) and "<name>.AbC123.lock". A user's own "<name>.backup" has content and stays.
bool IsOurLeftover(const QFileInfo& entry, const QString& settingsName)
{
    static const QRegularExpression earlier(QStringLiteral("^\\.[A-Za-z0-9]{6}(\\.lock)?$"));
    const QString name = entry.fileName();
    if (!name.startsWith(settingsName + '.'))
        return false;
    if (name.startsWith(settingsName + kTemporaryInfix))
        return true;
    const QString rest = name.mid(settingsName.size());
    return earlier.match(rest).hasMatch() && (rest.endsWith(QStringLiteral(".lock")) || entry.size() == 0);
}

void RemoveStaleLeftovers(const QFileInfo& target)
{
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-kStaleSeconds);
    const QDir folder = target.absoluteDir();
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.isSymLink() || !IsOurLeftover(entry, target.fileName()))
            continue;
        if (ProcessIsGone(SavingProcess(entry.fileName(), target.fileName())) ||
            entry.lastModified().toUTC() < before)
            QFile::remove(entry.absoluteFilePath());
    }
}

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
    // A file the user made read-only is kept as it is; renaming over it would not ask.
    struct stat old;
    const bool hadOld = ::stat(target.absoluteFilePath().toLocal8Bit().constData(), &old) == 0;
    if (hadOld && (old.st_mode & S_IWUSR) == 0)
        return EACCES;
    RemoveStaleLeftovers(target);

    QString temporaryPath;
    {
        QTemporaryFile file(target.absoluteFilePath() + kTemporaryInfix + QString::number(::getpid()) +
                            QStringLiteral("-XXXXXX"));
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
    if (result == 0 && hadOld && ::chmod(temporaryPath.toLocal8Bit().constData(), old.st_mode & 07777) != 0)
        result = errno;
    if (result == 0 && std::rename(temporaryPath.toLocal8Bit().constData(), path.toLocal8Bit().constData()) != 0)
        result = errno;
    if (result != 0)
        QFile::remove(temporaryPath);
    return result;
}

} // namespace quillon
