#include "platform/qt/QtSettingsFile.h"

#include "platform/ExitCleanup.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>
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
        if (ProcessIsGone(SavingProcess(entry.fileName(), target.fileName())) || entry.lastModified().toUTC() < before)
            QFile::remove(entry.absoluteFilePath());
    }
}

} // namespace

struct QtSettingsFile::Reader
{
    explicit Reader(const QString& path) : settings(path, QSettings::IniFormat) {}
    QSettings settings;
};

QtSettingsFile::QtSettingsFile(std::string path) : path_(std::move(path)) {}

QtSettingsFile::~QtSettingsFile() = default;

bool QtSettingsFile::OpenForReading()
{
    reader_.reset();
    problem_.clear();
    const QString path = QString::fromStdString(path_);
    const QFileInfo info(path);
    if (path_.empty() || !info.exists())
        return false;
    if (!info.isFile() || !info.isReadable()) {
        problem_ = info.isDir()     ? "it is a folder, not a file"
                   : !info.isFile() ? "it is not a regular file"
                                    : "it cannot be read";
        return false;
    }
    // Ten short values; a file far larger is not ours to parse (it would take seconds
    // and hundreds of megabytes).
    if (info.size() > kLargestFile) {
        problem_ = "it is larger than 1 MiB";
        return false;
    }
    auto reader = std::make_unique<Reader>(path);
    if (reader->settings.status() != QSettings::NoError) {
        problem_ = "it is not a readable settings file";
        return false;
    }
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

std::vector<std::string> QtSettingsFile::ValueNames(const std::string& group)
{
    std::vector<std::string> names;
    if (!reader_)
        return names;
    reader_->settings.beginGroup(kGroup + "/" + QString::fromStdString(group));
    for (const QString& key : reader_->settings.childKeys())
        names.push_back(key.toStdString());
    reader_->settings.endGroup();
    return names;
}

namespace {

// Where a save must put the new file: the settings path, or the file a symbolic link
// there points to (the link is the user's; replacing it would cut it off). Empty with
// `problem` set when the link points nowhere.
QString SaveTarget(const QString& path, std::string& problem)
{
    const QFileInfo link(path);
    if (!link.isSymLink())
        return link.absoluteFilePath();
    const QString target = link.canonicalFilePath();
    if (target.isEmpty())
        problem = "it is a symbolic link to " + link.symLinkTarget().toStdString() + ", which does not exist";
    return target;
}

// Why a written file did not make it to the disk, as far as can be told afterwards.
std::string WriteFailure(const QString& folder)
{
    struct statvfs space;
    if (::statvfs(folder.toLocal8Bit().constData(), &space) == 0 && space.f_bavail == 0)
        return "the new settings file could not be written in " + folder.toStdString() + ": the disk is full";
    return "the new settings file could not be written in " + folder.toStdString();
}

} // namespace

int QtSettingsFile::WriteAll(std::span<const std::pair<std::string, std::string>> values)
{
    problem_.clear();
    if (path_.empty())
        return ENOENT;
    const QString given = QString::fromStdString(path_);
    if (!QDir().mkpath(QFileInfo(given).absolutePath())) {
        problem_ = "its folder cannot be made";
        return EACCES;
    }
    const QString path = SaveTarget(given, problem_);
    if (path.isEmpty())
        return ENOENT;
    const QFileInfo target(path);
    // A file the user made read-only is kept as it is; renaming over it would not ask.
    struct stat old;
    const bool hadOld = ::stat(path.toLocal8Bit().constData(), &old) == 0;
    if (hadOld && (old.st_mode & S_IWUSR) == 0) {
        problem_ = "it is read-only";
        return EACCES;
    }
    if (hadOld && S_ISREG(old.st_mode) && old.st_size > kLargestFile) {
        problem_ = "it is larger than 1 MiB";
        return EFBIG;
    }
    RemoveStaleLeftovers(target);

    QString temporaryPath;
    {
        QTemporaryFile file(path + kTemporaryInfix + QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
        file.setAutoRemove(false);
        if (!file.open()) {
            problem_ = "no new file can be made in " + target.absolutePath().toStdString() + ": " +
                       file.errorString().toStdString();
            return EACCES;
        }
        temporaryPath = file.fileName();
    }
    const CleanupFile cleanup(temporaryPath.toLocal8Bit().toStdString());
    int result = 0;
    {
        QSettings out(temporaryPath, QSettings::IniFormat);
        // Keep what else our group holds in a readable old file; other groups are not ours.
        if (hadOld && S_ISREG(old.st_mode)) {
            QSettings previous(path, QSettings::IniFormat);
            previous.beginGroup(kGroup);
            if (previous.status() == QSettings::NoError) {
                for (const QString& key : previous.allKeys())
                    out.setValue(kGroup + "/" + key, previous.value(key));
            }
        }
        for (const auto& [name, value] : values)
            out.setValue(kGroup + "/" + QString::fromStdString(name), QString::fromStdString(value));
        out.sync();
        if (out.status() != QSettings::NoError) {
            problem_ = WriteFailure(target.absolutePath());
            result = EIO;
        }
    }
    if (result == 0 && hadOld && ::chmod(temporaryPath.toLocal8Bit().constData(), old.st_mode & 07777) != 0) {
        result = errno;
        problem_ = "the new file's permissions cannot be set: " + std::string(std::strerror(result));
    }
    if (result == 0 && std::rename(temporaryPath.toLocal8Bit().constData(), path.toLocal8Bit().constData()) != 0) {
        result = errno;
        problem_ = "the new file cannot be renamed into place: " + std::string(std::strerror(result));
    }
    if (result != 0)
        QFile::remove(temporaryPath);
    return result;
}

} // namespace quillon
