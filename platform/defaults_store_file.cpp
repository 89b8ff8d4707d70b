#include "platform/defaults_store_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>

#include <limits>

namespace vardo {

namespace {

std::string str(const QString &s) { return s.toStdString(); }

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

FileDefaultsStore::Stamp FileDefaultsStore::stampOnDisk() const
{
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0)
        return {};
    return {static_cast<qint64>(st.st_size),
            static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
            static_cast<quint64>(st.st_ino)};
}

void FileDefaultsStore::setAside(const QString &reason)
{
    const QString aside = path_ + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    if (QFile::rename(path_, aside)) {
        log_.write("[Vardo] Settings file " + str(path_) + " is unreadable (" + str(reason)
                   + ") — kept it as " + str(aside) + " and started from defaults");
    } else {
        writable_ = false;
        log_.write("[Vardo] Settings file " + str(path_) + " is unreadable (" + str(reason)
                   + ") and could not be moved aside — using defaults and keeping changes in memory only");
    }
}

void FileDefaultsStore::load()
{
    entries_ = {};
    stamp_ = stampOnDisk();
    QFile file(path_);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        writable_ = false;
        log_.write("[Vardo] Cannot read settings file " + str(path_) + " (" + str(file.errorString())
                   + ") — using defaults and keeping changes in memory only");
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        setAside(error.error != QJsonParseError::NoError
                     ? error.errorString() + QStringLiteral(" at byte ") + QString::number(error.offset)
                     : QStringLiteral("not a JSON object"));
        stamp_ = stampOnDisk();
        return;
    }
    entries_ = document.object();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!defaultsValueFromTypedJson(it.value()))
            log_.write("[Vardo] Settings key \"" + str(it.key())
                       + "\" has a value of unknown form — ignored, kept in the file");
    }
}

void FileDefaultsStore::reloadIfChangedOnDisk()
{
    if (writable_ && stampOnDisk() != stamp_) {
        QFile file(path_);
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
            if (document.isObject())
                entries_ = document.object();
        }
    }
}

void FileDefaultsStore::write()
{
    if (!writable_)
        return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
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
    stamp_ = stampOnDisk();
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
    reloadIfChangedOnDisk();
    entries_.insert(QString::fromStdString(key), typedJsonFromDefaultsValue(value));
    write();
}

void FileDefaultsStore::remove(const std::string &key)
{
    reloadIfChangedOnDisk();
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
