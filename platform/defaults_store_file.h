#pragma once

#include "platform/defaults_store.h"
#include "platform/log_sink.h"

#include <QJsonObject>
#include <QString>

namespace vardo {

// The settings store on disk: one JSON file under the XDG config directory
// ($XDG_CONFIG_HOME/NerovaVardo/settings.json, else ~/.config/NerovaVardo/settings.json).
//
// Each key maps to an object that names its type, so that types survive a round trip:
//   {"vardo_lock_timeout": {"integer": 10}, "vardo_events": {"data": "<base64>"}, ...}
//
// Every write replaces the file atomically (written beside it, flushed to disk, renamed
// over it), so a crash or power cut leaves either the old or the new file, never a torn
// one. Before each write the file is read again if another process (the `defaults`
// command line) changed it, so neither side loses the other's keys.
//
// A file that does not parse is moved aside (settings.json.corrupt-<time>) with a log
// line, and the store starts from defaults. A file that cannot be read at all is left
// untouched; the store then keeps changes in memory only and says so once.
class FileDefaultsStore final : public DefaultsStore {
public:
    FileDefaultsStore(QString path, LogSink &log);

    static QString defaultPath();

    std::optional<DefaultsValue> object(const std::string &key) const override;
    void set(const std::string &key, DefaultsValue value) override;
    void remove(const std::string &key) override;
    std::vector<std::string> keys() const override;

    const QString &path() const { return path_; }

private:
    struct Stamp {
        qint64 size = -1;
        qint64 modifiedNs = -1;
        quint64 inode = 0;
        bool operator==(const Stamp &) const = default;
    };

    void load();
    void reloadIfChangedOnDisk();
    void write();
    Stamp stampOnDisk() const;
    void setAside(const QString &reason);

    QString path_;
    LogSink &log_;
    QJsonObject entries_;
    Stamp stamp_;
    bool writable_ = true;
};

// Converting between stored values and their JSON form, shared with the replay's
// "defaults" lines. Returns nothing for a JSON entry of unknown form.
std::optional<DefaultsValue> defaultsValueFromTypedJson(const QJsonValue &entry);
QJsonValue typedJsonFromDefaultsValue(const DefaultsValue &value);

} // namespace vardo
