#pragma once

#include "localization/strings_file.h"

#include <QString>

#include <string>
#include <unordered_map>
#include <vector>

namespace vardo {

class LogSink;

// One parsed strings table, ready for lookups.
class StringsTable {
public:
    StringsTable() = default;
    // A repeated key keeps its later value.
    explicit StringsTable(const std::vector<StringsEntry> &entries);

    // The value for `key`, or nullptr when the table has no such key.
    const std::string *find(const std::string &key) const;
    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }

private:
    std::unordered_map<std::string, std::string> values_;
};

struct LoadedStringsTable {
    enum class Status { loaded, missing, unusable };
    Status status = Status::missing;
    StringsTable table;
};

// Reads `<root>/<relativePath>`, where root is a folder or a Qt resource path
// (":/lproj"). A missing file is silent; a file that cannot be read or does not
// parse is reported in one line, "[Localization] <relativePath>:<line>: <reason>",
// and comes back unusable. Each repeated key is reported in one line as well.
LoadedStringsTable loadStringsTable(const QString &root, const QString &relativePath,
                                    LogSink &log);

} // namespace vardo
