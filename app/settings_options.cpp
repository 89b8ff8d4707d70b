#include "app/settings_options.h"

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace vardo {

namespace {

using Kind = SettingsPicker::LabelKind;

std::vector<SettingsPicker::Option> languageOptions()
{
    std::vector<SettingsPicker::Option> options;
    for (const auto &language : LocalizationManager::languages())
        options.push_back({language.nativeName.data(), Kind::verbatim,
                           QString::fromUtf8(language.code.data(), qsizetype(language.code.size()))});
    return options;
}

std::vector<SettingsPicker::Option> numberOptions(qint64 first, qint64 last)
{
    // Labels must outlive the picker: the decimal texts of 1 to 9 are literals.
    static const char *const digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    std::vector<SettingsPicker::Option> options;
    for (qint64 n = first; n <= last && n <= 9; ++n)
        options.push_back({digits[n], Kind::verbatim, n});
    return options;
}

} // namespace

SettingsPicker::SettingsPicker(QObject &target, const char *property, std::vector<Option> options, QObject *parent)
    : QObject(parent), target_(target), property_(property), options_(std::move(options))
{
    const QMetaObject *meta = target_.metaObject();
    const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(property_));
    Q_ASSERT(metaProperty.isValid() && metaProperty.hasNotifySignal());
    connect(&target_, metaProperty.notifySignal(), this,
            QMetaMethod::fromSignal(&SettingsPicker::currentIndexChanged));
    connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, this, [this] {
        emit labelsChanged();
        emit currentIndexChanged();
    });
}

QString SettingsPicker::label(const Option &option) const
{
    switch (option.kind) {
    case Kind::key: return QString::fromStdString(localized(option.label));
    case Kind::platform: return QString::fromStdString(localizedPlatform(option.label));
    case Kind::verbatim: return QString::fromUtf8(option.label);
    }
    return {};
}

QStringList SettingsPicker::labels() const
{
    QStringList list;
    for (const Option &option : options_)
        list << label(option);
    return list;
}

QVariantList SettingsPicker::values() const
{
    QVariantList list;
    for (const Option &option : options_)
        list << option.value;
    return list;
}

int SettingsPicker::currentIndex() const
{
    const QVariant current = target_.property(property_);
    for (std::size_t i = 0; i < options_.size(); ++i)
        if (options_[i].value == current)
            return static_cast<int>(i);
    return -1;
}

QString SettingsPicker::currentText() const
{
    const int index = currentIndex();
    if (index >= 0)
        return label(options_[static_cast<std::size_t>(index)]);
    return target_.property(property_).toString();
}

QString SettingsPicker::labelFor(const QVariant &value) const
{
    for (const Option &option : options_)
        if (option.value == value)
            return label(option);
    return {};
}

void SettingsPicker::choose(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= options_.size())
        return;
    target_.setProperty(property_, options_[static_cast<std::size_t>(index)].value);
}

SettingsOptions::SettingsOptions(VardoService &service, LocalizationManager &localization, QObject *parent)
    : QObject(parent)
    , language_(localization, "currentLanguage", languageOptions(), this)
    , securityLevel_(service, "securityLevel",
                     {{"settings.relaxed", Kind::key, qint64(0)},
                      {"settings.balanced", Kind::key, qint64(1)},
                      {"settings.strict", Kind::key, qint64(2)}},
                     this)
    , lockDelay_(service, "lockTimeout",
                 {{"Instant", Kind::platform, qint64(0)},
                  {"2 sec", Kind::platform, qint64(2)},
                  {"3 sec", Kind::platform, qint64(3)},
                  {"settings.5_sec", Kind::key, qint64(5)},
                  {"settings.10_sec", Kind::key, qint64(10)},
                  {"settings.15_sec", Kind::key, qint64(15)},
                  {"settings.30_sec", Kind::key, qint64(30)},
                  {"settings.60_sec", Kind::key, qint64(60)}},
                 this)
    , unlockDelay_(service, "unlockDelay",
                   {{"Instant", Kind::platform, qint64(0)},
                    {"1 sec", Kind::platform, qint64(1)},
                    {"2 sec", Kind::platform, qint64(2)},
                    {"3 sec", Kind::platform, qint64(3)}},
                   this)
    , lockAction_(service, "lockModeName",
                  {{"lock_mode.overlay", Kind::key, QStringLiteral("app_only")},
                   {"lock_mode.lock_mac", Kind::key, QStringLiteral("lock_mac")}},
                  this)
    , guardDelay_(service, "stealthDelay",
                  {{"settings.instant", Kind::key, qint64(0)},
                   {"settings.1_sec", Kind::key, qint64(1)},
                   {"settings.2_sec", Kind::key, qint64(2)},
                   {"settings.3_sec", Kind::key, qint64(3)},
                   {"settings.5_sec_delay", Kind::key, qint64(5)},
                   {"settings.12_sec", Kind::key, qint64(12)}},
                  this)
    , allowedFaces_(service, "maxAllowedFaces",
                    {{"settings.only_me", Kind::key, qint64(1)},
                     {"settings.2_faces", Kind::key, qint64(2)},
                     {"settings.3_faces", Kind::key, qint64(3)},
                     {"settings.5_faces", Kind::key, qint64(5)}},
                    this)
    , intruderAttempts_(service, "intruderPhotoThreshold", numberOptions(1, 5), this)
{
}

} // namespace vardo
