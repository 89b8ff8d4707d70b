#include "localization/strings_table.h"

#include "platform/log_sink.h"

#include <QFile>
#include <QFileInfo>

namespace vardo {

namespace {

// Far above any real table (the English one is tens of kilobytes); a file this big
// is not a strings table and is not read into memory.
constexpr qint64 maximumTableBytes = 4 * 1024 * 1024;

// A key as it can stand inside one log line.
std::string printable(const std::string &key)
{
    std::string out;
    for (const char c : key) {
        if (c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            out += '?';
        else
            out += c;
    }
    return out;
}

} // namespace

StringsTable::StringsTable(const std::vector<StringsEntry> &entries)
{
    for (const auto &entry : entries)
        values_.insert_or_assign(entry.key, entry.value);
}

const std::string *StringsTable::find(const std::string &key) const
{
    const auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

LoadedStringsTable loadStringsTable(const QString &root, const QString &relativePath,
                                    LogSink &log)
{
    using Status = LoadedStringsTable::Status;
    const std::string name = relativePath.toStdString();
    const auto report = [&](const std::string &where, const std::string &reason) {
        log.write("[Localization] " + where + ": " + reason);
        return LoadedStringsTable{Status::unusable, {}};
    };

    QFile file(root + QLatin1Char('/') + relativePath);
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return report(name, "not a file");
    if (info.size() > maximumTableBytes)
        return report(name, "larger than 4 MiB, not a strings table");
    if (!file.open(QIODevice::ReadOnly))
        return report(name, "cannot be read (" + file.errorString().toStdString() + ")");
    const QByteArray bytes = file.read(maximumTableBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return report(name, "cannot be read (" + file.errorString().toStdString() + ")");

    const StringsParseResult parsed =
        parseStringsText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!parsed.ok())
        return report(name + ":" + std::to_string(parsed.error->line), parsed.error->reason);
    for (const auto &duplicate : parsed.duplicates)
        log.write("[Localization] " + name + ":" + std::to_string(duplicate.line) + ": duplicate key \""
                  + printable(duplicate.key) + "\" (first on line " + std::to_string(duplicate.firstLine)
                  + "); the later value is used");
    return {Status::loaded, StringsTable(parsed.entries)};
}

} // namespace vardo
