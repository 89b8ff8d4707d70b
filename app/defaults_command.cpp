#include "app/defaults_command.h"

#include "engine/settings_table.h"
#include "platform/defaults_store.h"
#include "utils/decimal_text.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace vardo {

namespace {

std::optional<bool> parseBool(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    if (text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "0")
        return false;
    return std::nullopt;
}

constexpr const char *usage = "usage: nerova-vardo defaults read [KEY]\n"
                              "       nerova-vardo defaults write KEY -int|-float|-bool|-string VALUE\n"
                              "       nerova-vardo defaults delete KEY\n"
                              "       nerova-vardo defaults keys\n";

// One line per known key: key, type, default and what it accepts, tab-separated.
void listKeys(std::ostream &out)
{
    for (const Setting &setting : settingsTable)
        out << setting.key << '\t' << settingTypeName(setting.type) << '\t' << settingDefaultText(setting) << '\t'
            << settingDomainText(setting) << '\n';
}

std::optional<DefaultsValue> parseValue(const std::string &type, const std::string &text)
{
    if (type == "-int" || type == "-integer") {
        if (const auto v = parseDecimalInteger(text))
            return DefaultsValue(*v);
    } else if (type == "-float" || type == "-double") {
        if (const auto v = parseDecimalDouble(text))
            return DefaultsValue(*v);
    } else if (type == "-bool" || type == "-boolean") {
        if (const auto v = parseBool(text))
            return DefaultsValue(*v);
    } else if (type == "-string") {
        return DefaultsValue(text);
    }
    return std::nullopt;
}

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
                out << "    " << describeDefaultsValue(key) << " = " << describeDefaultsValue(*value) << ";\n";
        out << "}\n";
        return 0;
    }
    if (verb == "read" && args.size() == 2) {
        const auto value = store.object(args[1]);
        if (!value) {
            err << "The key " << args[1] << " does not exist\n";
            return 1;
        }
        out << describeDefaultsValue(*value) << "\n";
        return 0;
    }
    if (verb == "delete" && args.size() == 2) {
        if (!store.object(args[1])) {
            err << "The key " << args[1] << " does not exist\n";
            return 1;
        }
        store.remove(args[1]);
        return 0;
    }
    if (verb == "keys" && args.size() == 1) {
        listKeys(out);
        return 0;
    }
    if (verb == "write" && args.size() == 4) {
        const std::string &key = args[1], &type = args[2], &text = args[3];
        static const std::string types[] = {"-int", "-integer", "-float", "-double", "-bool", "-boolean", "-string"};
        if (std::find(std::begin(types), std::end(types), type) == std::end(types)) {
            err << "Unknown type " << type << "\n" << usage;
            return 2;
        }
        const Setting *setting = findSetting(key);
        if (!setting) {
            err << "Unknown key " << key << " (nerova-vardo defaults keys lists them)\n";
            return 2;
        }
        const auto value = parseValue(type, text);
        if (!value) {
            err << "\"" << text << "\" is not a valid " << type.substr(1) << " value\n";
            return 2;
        }
        std::string why;
        if (!settingAccepts(*setting, *value, &why)) {
            err << key << " " << why << "\n";
            return 2;
        }
        store.set(key, *value);
        return 0;
    }
    err << usage;
    return 2;
}

} // namespace vardo
