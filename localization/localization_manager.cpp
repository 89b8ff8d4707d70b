#include "localization/localization_manager.h"

#include "platform/defaults_store.h"
#include "platform/log_sink.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QVariantMap>

#include <atomic>
#include <cmath>
#include <variant>
#include <vector>

namespace vardo {

namespace {

std::atomic<DefaultsStore *> sharedStore{nullptr};
std::atomic<bool> sharedCreated{false};

StdoutLog &sharedLog()
{
    static StdoutLog log;
    return log;
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// A language code names a folder; anything that could step out of the root, or
// is not a plain code, never reaches the file system.
bool isPlainCode(const QString &code)
{
    if (code.isEmpty() || code.size() > 32)
        return false;
    for (const QChar c : code)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('-')
            && c != QLatin1Char('_'))
            return false;
    return true;
}

// The tables of one folder, or nothing when the folder is absent or its main table
// is unusable. A broken Platform.strings only costs the platform labels.
std::optional<LocalizedBundle> loadFolder(const QString &root, const QString &code, LogSink &log)
{
    if (!isPlainCode(code))
        return std::nullopt;
    const QString folder = code + QStringLiteral(".lproj");
    if (!QFileInfo(root + QLatin1Char('/') + folder).isDir())
        return std::nullopt;
    auto strings = loadStringsTable(root, folder + QStringLiteral("/Localizable.strings"), log);
    if (strings.status != LoadedStringsTable::Status::loaded)
        return std::nullopt;
    auto platform = loadStringsTable(root, folder + QStringLiteral("/Platform.strings"), log);
    return LocalizedBundle{code, std::move(strings.table), std::move(platform.table)};
}

} // namespace

LocalizationManager::LocalizationManager(DefaultsStore &store, QString root, LogSink &log,
                                         QObject *parent)
    : QObject(parent), store_(store), root_(std::move(root)), log_(log)
{
    const auto stored = store_.object(std::string(storeKey));
    const auto *code = stored ? std::get_if<std::string>(&*stored) : nullptr;
    currentLanguage_ = code ? toQString(*code) : toQString(fallbackLanguage);
    loadBundle();
}

LocalizationManager &LocalizationManager::shared()
{
    static LocalizationManager *const instance = [] {
        DefaultsStore *store = sharedStore.load();
        if (!store) {
            static MemoryDefaultsStore memoryOnly;
            store = &memoryOnly;
            sharedLog().write("[Localization] no settings store was set before first use; "
                              "the language choice is kept in memory only");
        }
        sharedCreated = true;
        // Kept for the whole process, past the end of main, so that nothing that
        // outlives the application object looks up strings in a destroyed manager.
        auto *manager = new LocalizationManager(*store, toQString(embeddedRoot), sharedLog());
        if (auto *app = QCoreApplication::instance())
            manager->moveToThread(app->thread());
        return manager;
    }();
    return *instance;
}

void LocalizationManager::setSharedStore(DefaultsStore *store)
{
    if (sharedCreated) {
        sharedLog().write("[Localization] the settings store was set after first use; ignored");
        return;
    }
    sharedStore = store;
}

QVariantList LocalizationManager::languageModel() const
{
    QVariantList list;
    for (const auto &language : languageTable)
        list.append(QVariantMap{{QStringLiteral("code"), toQString(language.code)},
                                {QStringLiteral("nativeName"), toQString(language.nativeName)}});
    return list;
}

void LocalizationManager::setCurrentLanguage(const QString &code)
{
    currentLanguage_ = code;
    store_.setString(std::string(storeKey), toStdString(code));
    loadBundle();
    emit currentLanguageChanged();
}

bool LocalizationManager::isRightToLeft() const
{
    return currentLanguage_ == QLatin1String("ar");
}

Qt::LayoutDirection LocalizationManager::layoutDirection() const
{
    return isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
}

void LocalizationManager::loadBundle()
{
    if (auto chosen = loadFolder(root_, currentLanguage_, log_)) {
        bundle_ = std::move(*chosen);
        return;
    }
    const QString english = toQString(fallbackLanguage);
    if (currentLanguage_ != english) {
        if (auto fallback = loadFolder(root_, english, log_)) {
            log_.write("[Localization] no usable " + toStdString(currentLanguage_)
                       + ".lproj; showing en.lproj");
            bundle_ = std::move(*fallback);
            return;
        }
    }
    log_.write("[Localization] no usable en.lproj under " + toStdString(root_)
               + "; texts show as their keys");
    bundle_ = LocalizedBundle{};
}

std::string LocalizationManager::lookup(const std::string &key) const
{
    const std::string *text = bundle_.strings.find(key);
    return text ? *text : key;
}

QString LocalizationManager::localized(const char *key) const
{
    return toQString(lookup(key ? std::string(key) : std::string()));
}

QString LocalizationManager::localized(const QString &key) const
{
    return toQString(lookup(toStdString(key)));
}

QString LocalizationManager::localizedPlatform(const QString &key) const
{
    const std::string *text = bundle_.platform.find(toStdString(key));
    return text ? toQString(*text) : key;
}

QString LocalizationManager::format(const QString &key, const std::string &pattern,
                                    std::span<const FormatArg> args) const
{
    const FormatOutcome outcome = formatPlaceholders(pattern, args);
    if (!outcome.ok()) {
        const std::string name = toStdString(key);
        const std::string where = bundle_.language.isEmpty()
                                      ? std::string("no table")
                                      : toStdString(bundle_.language) + ".lproj";
        bool first;
        {
            std::lock_guard lock(reportedMutex_);
            first = reportedFormatProblems_.insert(where + '\n' + name).second;
        }
        if (first)
            log_.write("[Localization] \"" + name + "\" in " + where + ": " + *outcome.problem
                       + "; showing the text unformatted");
    }
    return toQString(outcome.text);
}

QString LocalizationManager::localizedFormatArgs(const QString &key,
                                                 std::span<const FormatArg> args) const
{
    return format(key, lookup(toStdString(key)), args);
}

QString LocalizationManager::localizedFormat(const QString &key, const QVariantList &args) const
{
    const std::string pattern = lookup(toStdString(key));
    const PlaceholderSignature expected = placeholderSignature(pattern);
    std::vector<FormatArg> converted;
    converted.reserve(static_cast<std::size_t>(args.size()));
    for (qsizetype k = 0; k < args.size(); ++k) {
        const QVariant &arg = args[k];
        const auto index = static_cast<std::size_t>(k);
        const bool wantsInteger = index < expected.arguments.size()
                                  && expected.arguments[index] == PlaceholderKind::integer;
        switch (arg.typeId()) {
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
            converted.emplace_back(arg.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float: {
            const double value = arg.toDouble();
            if (wantsInteger && std::isfinite(value) && std::trunc(value) == value
                && std::fabs(value) < 9.0e15)
                converted.emplace_back(static_cast<std::int64_t>(value));
            else
                converted.emplace_back(value);
            break;
        }
        default:
            converted.emplace_back(toStdString(arg.toString()));
            break;
        }
    }
    return format(key, pattern, converted);
}

std::string localized(const std::string &key)
{
    return toStdString(LocalizationManager::shared().localized(toQString(key)));
}

std::string localizedPlatform(const std::string &key)
{
    return toStdString(LocalizationManager::shared().localizedPlatform(toQString(key)));
}

std::string localizedFormatArgs(const std::string &key, std::span<const FormatArg> args)
{
    return toStdString(LocalizationManager::shared().localizedFormatArgs(toQString(key), args));
}

} // namespace vardo
