#include "platform/defaults_store_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vardo {

namespace {

std::string str(const QString &s) { return s.toStdString(); }

// Holds the writers' advisory lock on the lock file beside the settings while it lives.
// Without a lock file (no folder yet, a read-only folder) it holds nothing: there is then
// nothing another writer could write either.
class WriterLock {
public:
    explicit WriterLock(const QString &settingsPath)
        : fd_(::open(QFile::encodeName(settingsPath + QStringLiteral(".lock")).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~WriterLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    WriterLock(const WriterLock &) = delete;
    WriterLock &operator=(const WriterLock &) = delete;

private:
    int fd_;
};

// A number outside a double's range (1e-400, 1e400) makes the JSON parser reject the
// whole file. Such a number is read as what any reader of decimal text makes of it: a
// value too small becomes 0, one too large has no value (null, an entry of unknown
// form). Nothing else is touched; the parser's own error stands for any other fault.
QJsonDocument parseSettingsJson(QByteArray bytes, QJsonParseError &error)
{
    for (int repairs = 0;; ++repairs) {
        QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::IllegalNumber || repairs == 1000)
            return document;
        // The offset is just past the number.
        qsizetype start = error.offset;
        while (start > 0 && bytes[start - 1] != '\0' && std::strchr("0123456789+-.eE", bytes[start - 1]) != nullptr)
            --start;
        const QByteArray number = bytes.mid(start, error.offset - start);
        errno = 0;
        char *end = nullptr;
        const double value = std::strtod(number.constData(), &end);
        if (number.isEmpty() || end != number.constData() + number.size() || errno != ERANGE)
            return document;
        const QByteArray replacement = std::isinf(value) ? QByteArray("null")
            : std::signbit(value)                        ? QByteArray("-0")
                                                         : QByteArray("0");
        bytes.replace(start, number.size(), replacement);
    }
}

struct SettingsFile {
    enum State { absent, unreadable, corrupt, parsed } state = absent;
    QJsonObject entries;
    QString problem; // why it is unreadable or corrupt
};

SettingsFile readSettingsFile(const QString &path)
{
    SettingsFile result;
    QFile file(path);
    if (!file.exists())
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.state = SettingsFile::unreadable;
        result.problem = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.state = SettingsFile::unreadable;
        result.problem = file.errorString();
        return result;
    }
    file.close();
    QJsonParseError error{};
    const QJsonDocument document = parseSettingsJson(bytes, error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.state = SettingsFile::corrupt;
        result.problem = error.error != QJsonParseError::NoError
            ? error.errorString() + QStringLiteral(" at byte ") + QString::number(error.offset)
            : QStringLiteral("not a JSON object");
        return result;
    }
    result.state = SettingsFile::parsed;
    result.entries = document.object();
    return result;
}

} // namespace

std::optional<DefaultsValue> defaultsValueFromTypedJson(const QJsonValue &entry)
{
    if (!entry.isObject() || entry.toObject().size() != 1)
        return std::nullopt;
    const QJsonObject object = entry.toObject();
    const QString type = object.begin().key();
    const QJsonValue value = object.begin().value();
    if (type == QLatin1String("integer") && value.isDouble()) {
        // toInteger() answers only for whole numbers; a fraction gives the sentinel.
        constexpr qint64 notWhole = std::numeric_limits<qint64>::min();
        const qint64 i = value.toInteger(notWhole);
        if (i == notWhole && value.toDouble() != static_cast<double>(notWhole))
            return std::nullopt;
        return DefaultsValue(static_cast<std::int64_t>(i));
    }
    if (type == QLatin1String("double") && value.isDouble())
        return DefaultsValue(value.toDouble());
    if (type == QLatin1String("bool") && value.isBool())
        return DefaultsValue(value.toBool());
    if (type == QLatin1String("string") && value.isString())
        return DefaultsValue(value.toString().toStdString());
    if (type == QLatin1String("data") && value.isString()) {
        const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return DefaultsValue(Bytes(decoded.decoded.begin(), decoded.decoded.end()));
    }
    return std::nullopt;
}

QJsonValue typedJsonFromDefaultsValue(const DefaultsValue &value)
{
    return std::visit([](const auto &v) -> QJsonValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::int64_t>)
            return QJsonObject{{QStringLiteral("integer"), QJsonValue(static_cast<qint64>(v))}};
        else if constexpr (std::is_same_v<T, double>)
            return QJsonObject{{QStringLiteral("double"), v}};
        else if constexpr (std::is_same_v<T, bool>)
            return QJsonObject{{QStringLiteral("bool"), v}};
        else if constexpr (std::is_same_v<T, std::string>)
            return QJsonObject{{QStringLiteral("string"), QString::fromStdString(v)}};
        else
            return QJsonObject{{QStringLiteral("data"),
                                QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(v.data()),
                                                               static_cast<qsizetype>(v.size())).toBase64())}};
    }, value);
}

FileDefaultsStore::FileDefaultsStore(QString path, LogSink &log)
    : path_(std::move(path))
    , log_(log)
{
    load();
}

QString FileDefaultsStore::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/NerovaVardo/settings.json");
}

void FileDefaultsStore::setAside(const QString &reason, bool atStart)
{
    // Two broken files within one second would get the same name: the second one goes
    // to the first free numbered name instead of failing (rename never replaces).
    const QString base = path_ + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = base;
    for (int n = 2; !QFile::rename(path_, aside); ++n) {
        if (!QFileInfo::exists(aside) || n > 1000) {
            writable_ = false;
            log_.write("[Vardo] Settings file " + str(path_) + " is unreadable (" + str(reason)
                       + ") and could not be moved aside — using " + (atStart ? "defaults" : "the settings in use")
                       + " and keeping changes in memory only");
            return;
        }
        aside = base + QLatin1Char('-') + QString::number(n);
    }
    if (atStart)
        log_.write("[Vardo] Settings file " + str(path_) + " is unreadable (" + str(reason) + ") — kept it as "
                   + str(aside) + " and started from defaults");
    else
        log_.write("[Vardo] Settings file " + str(path_) + " no longer parses (" + str(reason) + ") — kept it as "
                   + str(aside) + " and wrote the settings in use in its place");
}

void FileDefaultsStore::load()
{
    entries_ = {};
    const WriterLock lock(path_);
    const SettingsFile file = readSettingsFile(path_);
    switch (file.state) {
    case SettingsFile::absent:
        return;
    case SettingsFile::unreadable:
        writable_ = false;
        log_.write("[Vardo] Cannot read settings file " + str(path_) + " (" + str(file.problem)
                   + ") — using defaults and keeping changes in memory only");
        return;
    case SettingsFile::corrupt:
        setAside(file.problem, true);
        return;
    case SettingsFile::parsed:
        break;
    }
    entries_ = file.entries;
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!defaultsValueFromTypedJson(it.value()))
            log_.write("[Vardo] Settings key \"" + str(it.key())
                       + "\" has a value of unknown form — ignored, kept in the file");
    }
}

// Called with the writers' lock held: what another process wrote since is taken over,
// and a file broken by hand is kept aside before the settings in use replace it.
void FileDefaultsStore::mergeFromDisk()
{
    if (!writable_)
        return;
    const SettingsFile file = readSettingsFile(path_);
    switch (file.state) {
    case SettingsFile::absent:
        return; // deleted while running: the settings in use are written anew
    case SettingsFile::unreadable:
        writable_ = false;
        log_.write("[Vardo] Cannot read settings file " + str(path_) + " (" + str(file.problem)
                   + ") — left it untouched and keeping changes in memory only");
        return;
    case SettingsFile::corrupt:
        setAside(file.problem, false);
        return;
    case SettingsFile::parsed:
        entries_ = file.entries;
        return;
    }
}

void FileDefaultsStore::write()
{
    saved_ = false;
    if (!writable_)
        return;
    QSaveFile file(path_);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        log_.write("[Vardo] Cannot write settings file " + str(path_) + ": " + str(file.errorString()));
        return;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(entries_).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        log_.write("[Vardo] Cannot write settings file " + str(path_) + ": " + str(file.errorString()));
        return;
    }
    saved_ = true;
}

std::optional<DefaultsValue> FileDefaultsStore::object(const std::string &key) const
{
    const auto it = entries_.constFind(QString::fromStdString(key));
    if (it == entries_.constEnd())
        return std::nullopt;
    return defaultsValueFromTypedJson(it.value());
}

void FileDefaultsStore::set(const std::string &key, DefaultsValue value)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const WriterLock lock(path_);
    mergeFromDisk();
    entries_.insert(QString::fromStdString(key), typedJsonFromDefaultsValue(value));
    write();
}

void FileDefaultsStore::remove(const std::string &key)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const WriterLock lock(path_);
    mergeFromDisk();
    entries_.remove(QString::fromStdString(key));
    write();
}

std::vector<std::string> FileDefaultsStore::keys() const
{
    std::vector<std::string> result;
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        result.push_back(it.key().toStdString());
    return result;
}

} // namespace vardo
