#include "replay/replay_scenario.h"

#include "engine/vardo_service.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QMetaProperty>

#include <charconv>
#include <cmath>
#include <set>

namespace vardo {

namespace {

// QJsonDocument checks the syntax and gives the values, but it forgets the order of an
// object's members and whether a number was written as 2 or 2.0. Settings keep that
// difference (integer or double), and assignments run in the order they are written,
// so the members are also read from the text itself.
struct RawMember {
    QString key;
    std::string_view value;
};

std::size_t skipSpace(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    return pos;
}

std::size_t skipString(std::string_view text, std::size_t pos)
{
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '\\')
            ++pos;
        else if (text[pos] == '"')
            return pos + 1;
    }
    return text.size();
}

std::size_t skipValue(std::string_view text, std::size_t pos)
{
    if (pos >= text.size())
        return pos;
    if (text[pos] == '"')
        return skipString(text, pos);
    if (text[pos] == '{' || text[pos] == '[') {
        int depth = 0;
        while (pos < text.size()) {
            const char c = text[pos];
            if (c == '"') {
                pos = skipString(text, pos);
                continue;
            }
            if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return pos + 1;
            ++pos;
        }
        return pos;
    }
    while (pos < text.size() && text.substr(pos, 1).find_first_of(",]} \t\r\n") == std::string_view::npos)
        ++pos;
    return pos;
}

QJsonValue jsonValueOf(std::string_view raw)
{
    QByteArray wrapped = "[";
    wrapped.append(raw.data(), static_cast<qsizetype>(raw.size()));
    wrapped.append(']');
    return QJsonDocument::fromJson(wrapped).array().at(0);
}

// The members of a JSON object whose syntax QJsonDocument has already accepted.
std::vector<RawMember> rawMembers(std::string_view object)
{
    std::vector<RawMember> members;
    std::size_t pos = skipSpace(object, 0) + 1; // past '{'
    while (true) {
        pos = skipSpace(object, pos);
        if (pos >= object.size() || object[pos] != '"')
            return members;
        const std::size_t keyEnd = skipString(object, pos);
        const QString key = jsonValueOf(object.substr(pos, keyEnd - pos)).toString();
        pos = skipSpace(object, keyEnd) + 1; // past ':'
        pos = skipSpace(object, pos);
        const std::size_t valueEnd = skipValue(object, pos);
        members.push_back({key, object.substr(pos, valueEnd - pos)});
        pos = skipSpace(object, valueEnd);
        if (pos >= object.size() || object[pos] != ',')
            return members;
        ++pos;
    }
}

std::string quoted(const QString &text)
{
    return "\"" + text.toStdString() + "\"";
}

bool isFractionalLiteral(std::string_view raw)
{
    return raw.find_first_of(".eE") != std::string_view::npos;
}

std::optional<qint64> integerLiteral(std::string_view raw)
{
    if (raw.empty() || isFractionalLiteral(raw) || !(raw[0] == '-' || (raw[0] >= '0' && raw[0] <= '9')))
        return std::nullopt;
    qint64 value = 0;
    const auto [end, error] = std::from_chars(raw.data(), raw.data() + raw.size(), value);
    if (error != std::errc() || end != raw.data() + raw.size())
        return std::nullopt;
    return value;
}

class LineParser {
public:
    LineParser(std::string_view text, int number) : text_(text) { line_.number = number; }

    ReplayParse parse()
    {
        QJsonParseError syntax{};
        const QJsonDocument document = QJsonDocument::fromJson(
            QByteArray(text_.data(), static_cast<qsizetype>(text_.size())), &syntax);
        if (syntax.error != QJsonParseError::NoError)
            return fail("bad JSON: " + syntax.errorString().toStdString() + " at offset "
                        + std::to_string(syntax.offset));
        if (!document.isObject())
            return fail("a line must be one JSON object");

        std::set<QString> seen;
        std::optional<RawMember> action, args;
        bool hasTime = false;
        for (const RawMember &member : rawMembers(text_)) {
            if (!seen.insert(member.key).second)
                return fail("key " + quoted(member.key) + " appears twice");
            if (member.key == QLatin1String("t")) {
                const QJsonValue t = jsonValueOf(member.value);
                if (!t.isDouble() || !std::isfinite(t.toDouble()) || t.toDouble() < 0.0)
                    return fail("\"t\" must be a number of seconds, 0 or more");
                line_.t = t.toDouble();
                hasTime = true;
            } else if (member.key == QLatin1String("args")) {
                args = member;
            } else if (const auto kind = actionKind(member.key)) {
                if (action)
                    return fail("more than one action: " + quoted(action->key) + " and " + quoted(member.key));
                action = member;
                line_.kind = *kind;
            } else {
                return fail("unknown key " + quoted(member.key));
            }
        }
        if (!hasTime)
            return fail("no \"t\"");
        if (!action)
            return fail("no action (one of defaults, enrolled, start, secrets, frame, image, call, set, notify, dump)");
        if (args && line_.kind != ReplayLine::Kind::call)
            return fail("\"args\" belongs to a \"call\"");
        if (!readAction(action->value, args ? std::optional(args->value) : std::nullopt))
            return fail(error_);
        return ReplayParse{std::move(line_), {}};
    }

private:
    static std::optional<ReplayLine::Kind> actionKind(const QString &key)
    {
        using K = ReplayLine::Kind;
        static const std::pair<const char *, K> kinds[] = {
            {"defaults", K::defaults}, {"enrolled", K::enrolled}, {"start", K::start}, {"secrets", K::secrets},
            {"frame", K::frame},       {"image", K::image},       {"call", K::call},   {"set", K::set},
            {"notify", K::notify},     {"dump", K::dump},
        };
        for (const auto &[name, kind] : kinds)
            if (key == QLatin1String(name))
                return kind;
        return std::nullopt;
    }

    bool reject(std::string reason)
    {
        error_ = std::move(reason);
        return false;
    }

    ReplayParse fail(std::string reason) { return ReplayParse{std::nullopt, std::move(reason)}; }

    bool readAction(std::string_view raw, std::optional<std::string_view> rawArgs)
    {
        const QJsonValue value = jsonValueOf(raw);
        switch (line_.kind) {
        case ReplayLine::Kind::defaults: return readDefaults(raw, value);
        case ReplayLine::Kind::enrolled: return readName(value, "\"enrolled\" names a person", line_.text);
        case ReplayLine::Kind::start: return readStart(value);
        case ReplayLine::Kind::secrets: return readSecrets(raw, value);
        case ReplayLine::Kind::frame: return readFrame(raw, value);
        case ReplayLine::Kind::image: return readName(value, "\"image\" is the path of an image file", line_.text);
        case ReplayLine::Kind::call: return readCall(value, rawArgs);
        case ReplayLine::Kind::set: return readAssignments(raw, value);
        case ReplayLine::Kind::notify: return readNotify(value);
        case ReplayLine::Kind::dump:
            if (value != QJsonValue(true))
                return reject("\"dump\" must be true");
            return true;
        }
        return false;
    }

    bool readName(const QJsonValue &value, const char *what, std::string &into)
    {
        if (!value.isString() || value.toString().isEmpty())
            return reject(std::string(what) + ", a non-empty string");
        into = value.toString().toStdString();
        return true;
    }

    bool readDefaults(std::string_view raw, const QJsonValue &value)
    {
        if (!value.isObject())
            return reject("\"defaults\" must be an object of settings keys and values");
        for (const RawMember &member : rawMembers(raw)) {
            const QJsonValue entry = jsonValueOf(member.value);
            const std::string key = member.key.toStdString();
            if (entry.isBool()) {
                line_.defaults.emplace_back(key, entry.toBool());
            } else if (entry.isString()) {
                line_.defaults.emplace_back(key, entry.toString().toStdString());
            } else if (entry.isDouble() && isFractionalLiteral(member.value)) {
                line_.defaults.emplace_back(key, entry.toDouble());
            } else if (entry.isDouble()) {
                const auto integer = integerLiteral(member.value);
                if (!integer)
                    return reject("default " + quoted(member.key) + ": integer out of range");
                line_.defaults.emplace_back(key, static_cast<std::int64_t>(*integer));
            } else if (entry.isObject() && entry.toObject().size() == 1 && entry.toObject().value("data").isString()) {
                const auto decoded = QByteArray::fromBase64Encoding(
                    entry.toObject().value("data").toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
                if (!decoded)
                    return reject("default " + quoted(member.key) + ": \"data\" is not base64");
                line_.defaults.emplace_back(key, Bytes(decoded.decoded.begin(), decoded.decoded.end()));
            } else {
                return reject("default " + quoted(member.key)
                              + " must be an integer, a number, a Boolean, a string or {\"data\":\"<base64>\"}");
            }
        }
        return true;
    }

    bool readStart(const QJsonValue &value)
    {
        const QDateTime start = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
        if (!value.isString() || !start.isValid())
            return reject("\"start\" must be an ISO 8601 date and time such as \"2026-03-02T09:00:00Z\"");
        line_.startSeconds = static_cast<double>(start.toMSecsSinceEpoch()) / 1000.0;
        return true;
    }

    bool readSecrets(std::string_view raw, const QJsonValue &value)
    {
        if (!value.isObject())
            return reject("\"secrets\" must be an object of accounts and texts");
        for (const RawMember &member : rawMembers(raw)) {
            const QJsonValue text = jsonValueOf(member.value);
            if (!text.isString())
                return reject("secret " + quoted(member.key) + " must be a string");
            line_.secrets.emplace_back(member.key.toStdString(), text.toString().toStdString());
        }
        return true;
    }

    bool readFrame(std::string_view raw, const QJsonValue &value)
    {
        if (!value.isObject())
            return reject("\"frame\" must be an object with \"faces\"");
        bool hasFaces = false;
        for (const RawMember &member : rawMembers(raw)) {
            const QJsonValue field = jsonValueOf(member.value);
            if (member.key == QLatin1String("faces")) {
                if (!field.isArray())
                    return reject("\"faces\" must be a list");
                for (const QJsonValue face : field.toArray())
                    if (!readFace(face))
                        return false;
                hasFaces = true;
            } else if (member.key == QLatin1String("rect")) {
                const auto count = integerLiteral(member.value);
                if (!count || *count < 0)
                    return reject("\"rect\" must be a whole number of faces");
                line_.rectangleCount = *count;
            } else {
                return reject("unknown key " + quoted(member.key) + " in \"frame\"");
            }
        }
        if (!hasFaces)
            return reject("\"frame\" needs \"faces\" (an empty list for nobody)");
        return true;
    }

    bool readFace(const QJsonValue &value)
    {
        if (!value.isObject())
            return reject("a face must be an object such as {\"who\":\"alice\"}");
        const QJsonObject object = value.toObject();
        SyntheticFace face;
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == QLatin1String("who")) {
                if (!it.value().isString() || it.value().toString().isEmpty())
                    return reject("\"who\" must name a person");
                face.who = it.value().toString().toStdString();
            } else if (it.key() == QLatin1String("eyes")) {
                if (it.value() != QJsonValue("closed") && it.value() != QJsonValue("open"))
                    return reject("\"eyes\" must be \"open\" or \"closed\"");
                face.eyesOpen = it.value() == QJsonValue("open");
            } else if (it.key() == QLatin1String("gated")) {
                if (!it.value().isBool())
                    return reject("\"gated\" must be true or false");
                face.gated = it.value().toBool();
            } else if (it.key() == QLatin1String("live") || it.key() == QLatin1String("screen")) {
                if (!it.value().isBool())
                    return reject(quoted(it.key()) + " must be true or false");
                (it.key() == QLatin1String("live") ? face.live : face.screen) = it.value().toBool();
            } else {
                return reject("unknown key " + quoted(it.key()) + " in a face");
            }
        }
        if (face.who.empty())
            return reject("a face needs \"who\"");
        line_.faces.push_back(std::move(face));
        return true;
    }

    // Any operation the interface can invoke, and nothing else: the replay drives the
    // engine through the same door as the screens.
    bool readCall(const QJsonValue &value, std::optional<std::string_view> rawArgs)
    {
        if (!value.isString())
            return reject("\"call\" must name an operation");
        const std::string name = quoted(value.toString());
        const QMetaObject &meta = VardoService::staticMetaObject;
        std::optional<QMetaMethod> operation;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod method = meta.method(i);
            if (method.methodType() == QMetaMethod::Method && method.access() == QMetaMethod::Public
                && method.name() == value.toString().toLatin1())
                operation = method;
        }
        if (!operation)
            return reject("unknown operation " + name);
        line_.text = value.toString().toStdString();
        const QJsonValue args = rawArgs ? jsonValueOf(*rawArgs) : QJsonValue(QJsonArray());
        if (!args.isArray())
            return reject("\"args\" must be a list");
        line_.args = args.toArray();
        if (line_.args.size() != operation->parameterCount())
            return reject(name + " takes " + std::to_string(operation->parameterCount()) + " arguments");
        for (int i = 0; i < operation->parameterCount(); ++i) {
            const QJsonValue arg = line_.args.at(i);
            switch (operation->parameterType(i)) {
            case QMetaType::Bool:
                if (!arg.isBool())
                    return reject(name + " takes true or false");
                break;
            case QMetaType::LongLong:
                if (!arg.isDouble() || arg.toDouble() != std::floor(arg.toDouble()))
                    return reject(name + " takes a whole number");
                break;
            case QMetaType::QString:
                if (!arg.isString())
                    return reject(name + " takes a text");
                break;
            default: return reject(name + " cannot be called from a scenario");
            }
        }
        return true;
    }

    bool readAssignments(std::string_view raw, const QJsonValue &value)
    {
        if (!value.isObject())
            return reject("\"set\" must be an object of properties and values");
        const QMetaObject &meta = VardoService::staticMetaObject;
        for (const RawMember &member : rawMembers(raw)) {
            const int index = meta.indexOfProperty(member.key.toLatin1().constData());
            if (index < meta.propertyOffset())
                return reject("unknown property " + quoted(member.key));
            const QMetaProperty property = meta.property(index);
            if (!property.isWritable())
                return reject("property " + quoted(member.key) + " cannot be set");
            const auto converted = convert(property, member.value);
            if (!converted)
                return false;
            line_.assignments.emplace_back(member.key.toStdString(), *converted);
        }
        return true;
    }

    std::optional<QVariant> convert(const QMetaProperty &property, std::string_view raw)
    {
        const QJsonValue value = jsonValueOf(raw);
        const std::string name = quoted(QString::fromLatin1(property.name()));
        if (property.name() == std::string_view("lockMode")) {
            for (auto mode : {LockMode::appOnly, LockMode::lockMac})
                if (value == QJsonValue(QLatin1String(lockModeRawValue(mode))))
                    return QVariant::fromValue(mode);
            reject(name + " takes \"app_only\" or \"lock_mac\"");
            return std::nullopt;
        }
        if (property.name() == std::string_view("cameraStatus")) {
            for (auto status : {CameraStatus::unknown, CameraStatus::granted, CameraStatus::denied,
                                CameraStatus::restricted, CameraStatus::noCameraFound})
                if (value == QJsonValue(QLatin1String(cameraStatusName(status))))
                    return QVariant::fromValue(status);
            reject(name + " takes a camera status such as \"granted\"");
            return std::nullopt;
        }
        switch (property.metaType().id()) {
        case QMetaType::Bool:
            if (value.isBool())
                return QVariant(value.toBool());
            reject(name + " takes true or false");
            return std::nullopt;
        case QMetaType::LongLong:
            if (const auto integer = integerLiteral(raw))
                return QVariant(*integer);
            reject(name + " takes a whole number");
            return std::nullopt;
        case QMetaType::Double:
            if (value.isDouble())
                return QVariant(value.toDouble());
            reject(name + " takes a number");
            return std::nullopt;
        default:
            reject("property " + name + " cannot be set from a scenario");
            return std::nullopt;
        }
    }

    bool readNotify(const QJsonValue &value)
    {
        static const char *names[] = {"cameraInterrupted", "cameraResumed",   "cameraError",
                                      "sessionActive",     "appResignActive", "screensChanged"};
        for (const char *name : names) {
            if (value == QJsonValue(QLatin1String(name))) {
                line_.text = name;
                return true;
            }
        }
        return reject(value.isString() ? "unknown notification " + quoted(value.toString())
                                       : std::string("\"notify\" must name a notification"));
    }

    std::string_view text_;
    ReplayLine line_;
    std::string error_;
};

bool isBlankOrComment(std::string_view text)
{
    const std::size_t first = skipSpace(text, 0);
    return first == text.size() || text[first] == '#';
}

} // namespace

ReplayParse parseReplayLine(std::string_view text, int number)
{
    if (isBlankOrComment(text))
        return {};
    return LineParser(text, number).parse();
}

} // namespace vardo
