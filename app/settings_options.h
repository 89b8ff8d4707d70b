#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <vector>

namespace vardo {

class LocalizationManager;
class VardoService;

// One picker of the settings section: its options in menu order, each a label and the
// value it stores, and the property of the engine (or of the localization) it writes.
class SettingsPicker final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList labels READ labels NOTIFY labelsChanged)
    Q_PROPERTY(QVariantList values READ values CONSTANT)
    // The option holding the property's current value; -1 when none does (a value
    // written by hand), and `currentText` then shows the value itself.
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY currentIndexChanged)
    Q_PROPERTY(QString currentText READ currentText NOTIFY currentIndexChanged)

public:
    enum class LabelKind {
        key,      // an interface-string key ("settings.5_sec")
        platform, // a literal label of the platform table ("Instant")
        verbatim, // shown as written (native language names, numbers)
    };
    struct Option {
        const char *label;
        LabelKind kind;
        QVariant value;
    };

    SettingsPicker(QObject &target, const char *property, std::vector<Option> options,
                   QObject *parent = nullptr);

    QStringList labels() const;
    QVariantList values() const;
    int currentIndex() const;
    QString currentText() const;

    // Writes the option's value through to the property; the engine stores it.
    Q_INVOKABLE void choose(int index);

    // The label of the option storing `value`, in the current language; empty if none.
    QString labelFor(const QVariant &value) const;

signals:
    void labelsChanged();
    void currentIndexChanged();

private:
    QString label(const Option &option) const;

    QObject &target_;
    const char *property_;
    std::vector<Option> options_;
};

// Every picker of the settings section, for QML as the singleton `SettingsOptions`.
class SettingsOptions final : public QObject {
    Q_OBJECT
    Q_PROPERTY(vardo::SettingsPicker *language READ language CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *securityLevel READ securityLevel CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *lockDelay READ lockDelay CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *unlockDelay READ unlockDelay CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *lockAction READ lockAction CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *guardDelay READ guardDelay CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *allowedFaces READ allowedFaces CONSTANT)
    Q_PROPERTY(vardo::SettingsPicker *intruderAttempts READ intruderAttempts CONSTANT)

public:
    SettingsOptions(VardoService &service, LocalizationManager &localization, QObject *parent = nullptr);

    SettingsPicker *language() { return &language_; }
    SettingsPicker *securityLevel() { return &securityLevel_; }
    SettingsPicker *lockDelay() { return &lockDelay_; }
    SettingsPicker *unlockDelay() { return &unlockDelay_; }
    SettingsPicker *lockAction() { return &lockAction_; }
    SettingsPicker *guardDelay() { return &guardDelay_; }
    SettingsPicker *allowedFaces() { return &allowedFaces_; }
    SettingsPicker *intruderAttempts() { return &intruderAttempts_; }

private:
    SettingsPicker language_;
    SettingsPicker securityLevel_;
    SettingsPicker lockDelay_;
    SettingsPicker unlockDelay_;
    SettingsPicker lockAction_;
    SettingsPicker guardDelay_;
    SettingsPicker allowedFaces_;
    SettingsPicker intruderAttempts_;
};

} // namespace vardo
