#include "app/defaults_command.h"

#include "platform/defaults_store.h"
#include "recognition/decimal_text.h"

#include <QByteArray>

#include <algorithm>

namespace vardo {

namespace {

std::string quoted(const std::string &text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + '"';
}

std::string describe(const DefaultsValue &value)
{
    return std::visit([](const auto &v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::int64_t>)
            return std::to_string(v);
        else if constexpr (std::is_same_v<T, double>)
            return doubleText(v);
        else if constexpr (std::is_same_v<T, bool>)
            return v ? "true" : "false";
        else if constexpr (std::is_same_v<T, std::string>)
            return quoted(v);
        else
            return "<data " + std::to_string(v.size()) + " bytes: "
                + QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<qsizetype>(v.size())).toBase64().toStdString()
                + ">";
    }, value);
}

std::optional<bool> parseBool(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    if (text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "0")
        return false;
    return std::nullopt;
}

// The store has logged why; the exit status says that nothing was kept.
int savedStatus(const DefaultsStore &store, std::ostream &err)
{
    if (store.lastChangeSaved())
        return 0;
    err << "Nothing was saved: the settings file could not be written\n";
    return 1;
}

constexpr const char *usage = "usage: nerova-vardo defaults read [KEY]\n"
                              "       nerova-vardo defaults write KEY -int|-float|-bool|-string VALUE\n"
                              "       nerova-vardo defaults delete KEY\n";

} // namespace

int runDefaultsCommand(const std::vector<std::string> &args, DefaultsStore &store, std::ostream &out,
                       std::ostream &err)
{
    if (args.empty()) {
        err << usage;
        return 2;
    }
    const std::string &verb = args[0];
    if (verb == "read" && args.size() == 1) {
        out << "{\n";
        for (const auto &key : store.keys())
            if (const auto value = store.object(key))
                out << "    " << quoted(key) << " = " << describe(*value) << ";\n";
        out << "}\n";
        return 0;
    }
    if (verb == "read" && args.size() == 2) {
        const auto value = store.object(args[1]);
        if (!value) {
            err << "The key " << args[1] << " does not exist\n";
            return 1;
        }
        out << describe(*value) << "\n";
        return 0;
    }
    if (verb == "delete" && args.size() == 2) {
        if (!store.object(args[1])) {
            err << "The key " << args[1] << " does not exist\n";
            return 1;
        }
        store.remove(args[1]);
        return savedStatus(store, err);
    }
    if (verb == "write" && args.size() == 4) {
        const std::string &key = args[1], &type = args[2], &text = args[3];
        if (key.empty()) {
            err << "The key must not be empty\n";
            return 2;
        }
        if (type == "-int" || type == "-integer") {
            if (const auto v = parseDecimalInteger(text)) {
                store.setInteger(key, *v);
                return savedStatus(store, err);
            }
        } else if (type == "-float" || type == "-double") {
            if (const auto v = parseDecimalDouble(text)) {
                store.setDouble(key, *v);
                return savedStatus(store, err);
            }
        } else if (type == "-bool" || type == "-boolean") {
            if (const auto v = parseBool(text)) {
                store.setBool(key, *v);
                return savedStatus(store, err);
            }
        } else if (type == "-string") {
            store.setString(key, text);
            return savedStatus(store, err);
        } else {
            err << "Unknown type " << type << "\n" << usage;
            return 2;
        }
        err << "\"" << text << "\" is not a valid " << type.substr(1) << " value\n";
        return 2;
    }
    err << usage;
    return 2;
}

} // namespace vardo
