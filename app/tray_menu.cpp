#include "app/tray_menu.h"

#include "app/settings_options.h"
#include "app/symbol_image_provider.h"
#include "app/view_rules.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSvgRenderer>

namespace vardo {

namespace {

QString text(const char *key)
{
    return QString::fromStdString(localized(key));
}

QColor color(StatusColor c)
{
    switch (c) {
    case StatusColor::grey: return QColor(0x8e, 0x8e, 0x93);
    case StatusColor::orange: return QColor(0xf2, 0x8c, 0x00);
    case StatusColor::red: return QColor(0xe5, 0x37, 0x2c);
    case StatusColor::green: return QColor(0x2f, 0xb4, 0x57);
    case StatusColor::blue: return QColor(0x1a, 0x7c, 0xf5);
    case StatusColor::yellow: return QColor(0xe0, 0xb0, 0x00);
    }
    return Qt::gray;
}

QIcon trayIcon(bool monitoring)
{
    QSvgRenderer renderer(monitoring ? QStringLiteral(":/qt/qml/NerovaVardo/App/icons/tray-monitoring.svg")
                                     : QStringLiteral(":/qt/qml/NerovaVardo/App/icons/tray-idle.svg"));
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(drawSvg(renderer, side)));
    return icon;
}

// Menu symbols are drawn in a neutral grey that reads on light and dark menus alike.
const QColor symbolColor(0x6b, 0x6b, 0x72);

// Every new icon goes out to the panel as image data; the menu is redrawn on every
// published change (the countdown's every second), so an icon is set only when it is
// another one.
void setIcon(QAction *action, const QString &key, const std::function<QIcon()> &make)
{
    if (action->property("iconKey").toString() == key)
        return;
    action->setProperty("iconKey", key);
    action->setIcon(make());
}

} // namespace

TrayMenu::TrayMenu(VardoService &service, SettingsPicker &lockAction, std::function<void()> openMainWindow,
                   QObject *parent)
    : QObject(parent), service_(service), lockAction_(lockAction), openMainWindow_(std::move(openMainWindow))
{
    status_ = menu_.addAction(QString());
    status_->setEnabled(false);
    menu_.addSeparator();
    mainSwitch_ = menu_.addAction(QString());
    connect(mainSwitch_, &QAction::triggered, this, &TrayMenu::pressMainSwitch);
    countdown_ = menu_.addAction(symbolIcon(QStringLiteral("timer"), color(StatusColor::orange)), QString());
    countdown_->setEnabled(false);
    menu_.addSeparator();
    modeTitle_ = menu_.addAction(symbolIcon(QStringLiteral("lock.fill"), symbolColor), QString());
    modeTitle_->setEnabled(false);
    modes_ = new QActionGroup(this);
    modes_->setExclusive(true);
    for (int i = 0; i < lockAction_.values().size(); ++i) {
        QAction *mode = menu_.addAction(QString());
        mode->setCheckable(true);
        modes_->addAction(mode);
        connect(mode, &QAction::triggered, this, [this, i] { lockAction_.choose(i); });
    }
    menu_.addSeparator();
    locksToday_ = menu_.addAction(symbolIcon(QStringLiteral("lock.fill"), symbolColor), QString());
    locksToday_->setEnabled(false);
    face_ = menu_.addAction(QString());
    face_->setEnabled(false);
    menu_.addSeparator();
    open_ = menu_.addAction(symbolIcon(QStringLiteral("macwindow"), symbolColor), QString());
    connect(open_, &QAction::triggered, this, [this] { openMainWindow_(); });
    quit_ = menu_.addAction(symbolIcon(QStringLiteral("power"), symbolColor), QString());
    connect(quit_, &QAction::triggered, this, &TrayMenu::quit);

    icon_.setContextMenu(&menu_);
    // A click on the item itself (where the desktop sends one) opens the window.
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            openMainWindow_();
    });

    // Every published change and every change of language redraws the menu.
    const QMetaMethod refreshSlot = metaObject()->method(metaObject()->indexOfSlot("refresh()"));
    const QMetaObject &meta = VardoService::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        if (const QMetaProperty property = meta.property(i); property.hasNotifySignal())
            connect(&service_, property.notifySignal(), this, refreshSlot);
    connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, this, &TrayMenu::refresh);
    refresh();
}

TrayMenu::~TrayMenu() = default;

bool TrayMenu::show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    icon_.show();
    return true;
}

void TrayMenu::refresh()
{
    const ProtectionState state = protectionState(service_);
    const MenuStatus status = menuStatus(state);
    status_->setText(text(status.textKey));
    setIcon(status_, QLatin1String(statusColorName(status.dot)), [&] { return dotIcon(color(status.dot)); });

    mainSwitch_->setText(text(state.isEnabled ? "menu.disable_vardo" : "menu.enable_vardo"));
    const QString switchSymbol = QLatin1String(state.isEnabled ? "stop.fill" : "play.fill");
    setIcon(mainSwitch_, switchSymbol, [&] { return symbolIcon(switchSymbol, symbolColor); });
    mainSwitch_->setEnabled(menuSwitchAction(state) != MenuSwitchAction::refused);

    countdown_->setVisible(state.secondsUntilLock >= 1);
    countdown_->setText(QString::fromStdString(localizedFormat("menu.locking_in", state.secondsUntilLock)));

    modeTitle_->setText(text("menu.mode"));
    const QStringList labels = lockAction_.labels();
    const QList<QAction *> modes = modes_->actions();
    for (int i = 0; i < modes.size(); ++i) {
        modes[i]->setText(labels.value(i));
        modes[i]->setChecked(i == lockAction_.currentIndex());
    }

    locksToday_->setText(QString::fromStdString(localizedFormat("menu.locks", service_.totalLocksToday())));
    face_->setText(text(state.faceDetected ? "menu.face_ok" : "menu.no_face_short"));
    const QString faceSymbol = QLatin1String(state.faceDetected ? "face.smiling" : "face.dashed");
    setIcon(face_, faceSymbol, [&] { return symbolIcon(faceSymbol, symbolColor); });

    open_->setText(text("menu.open_window"));
    open_->setEnabled(!screenIsCovered(state));
    quit_->setText(text("menu.quit"));
    quit_->setEnabled(!screenIsCovered(state));

    menu_.setLayoutDirection(LocalizationManager::shared().layoutDirection());
    if (const QString tip = QStringLiteral("Nerova Vardo — ") + text(status.textKey); icon_.toolTip() != tip)
        icon_.setToolTip(tip);
    if (!iconSet_ || monitoringIconShown_ != service_.isMonitoring()) {
        monitoringIconShown_ = service_.isMonitoring();
        iconSet_ = true;
        icon_.setIcon(trayIcon(monitoringIconShown_));
    }
}

void TrayMenu::pressMainSwitch()
{
    const ProtectionState state = protectionState(service_);
    switch (menuSwitchAction(state)) {
    case MenuSwitchAction::openMainWindow:
        openMainWindow_();
        return;
    case MenuSwitchAction::toggle:
        service_.setProtectionEnabled(!state.isEnabled);
        return;
    case MenuSwitchAction::refused:
        return;
    }
}

void TrayMenu::quit()
{
    if (screenIsCovered(protectionState(service_)))
        return;
    QCoreApplication::quit();
}

} // namespace vardo
