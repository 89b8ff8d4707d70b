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
// one. Writers in all processes (the application, the `defaults` command line) take
// turns through an advisory lock on settings.json.lock beside the file, and each reads
// the file again under the lock before changing it, so neither loses the other's keys.
//
// A file that does not parse is moved aside (settings.json.corrupt-<time>, with "-2",
// "-3"... when that name is taken) with a log line: at start the store then starts from
// defaults; found before a write (edited by hand while the application runs), the
// settings in use are written in its place. A file that cannot be read at all is left
// untouched; the store then keeps changes in memory only and says so once.
// A number too small for a double (1e-400) reads as 0 rather than spoiling the file.
class FileDefaultsStore final : public DefaultsStore {
public:
    FileDefaultsStore(QString path, LogSink &log);

    static QString defaultPath();

    std::optional<DefaultsValue> object(const std::string &key) const override;
    void set(const std::string &key, DefaultsValue value) override;
    void remove(const std::string &key) override;
    std::vector<std::string> keys() const override;
    bool lastChangeSaved() const override { return saved_; }

    const QString &path() const { return path_; }

private:
    void load();
    void mergeFromDisk();
    void write();
    void setAside(const QString &reason, bool atStart);

    QString path_;
    LogSink &log_;
    QJsonObject entries_;
    bool writable_ = true;
    bool saved_ = true;
};

// Converting between stored values and their JSON form, shared with the replay's
// "defaults" lines. Returns nothing for a JSON entry of unknown form.
std::optional<DefaultsValue> defaultsValueFromTypedJson(const QJsonValue &entry);
QJsonValue typedJsonFromDefaultsValue(const DefaultsValue &value);

} // namespace vardo
