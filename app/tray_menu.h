#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QActionGroup;

namespace vardo {

class LogSink;
class SettingsPicker;
class VardoService;

// The tray item "Nerova Vardo": an eye while the camera watches, a crossed-out eye
// otherwise, and the quick menu (status line with its coloured dot, the main switch,
// the countdown, the lock action, today's locks, the face line, open, quit). Qt
// publishes it as a StatusNotifierItem with a com.canonical.dbusmenu menu where the
// desktop hosts one (KDE, Xfce, Cinnamon, GNOME with its AppIndicator extension) and as
// an XEmbed icon elsewhere. The menu follows the engine and the language live.
//
// The menu is reachable from every program of the session through D-Bus, so while the
// lock or guard screen is up it offers nothing that would take them away: switching
// protection off and quitting are disabled, and refused if triggered anyway.
class TrayMenu final : public QObject {
    Q_OBJECT

public:
    TrayMenu(VardoService &service, SettingsPicker &lockAction, std::function<void()> openMainWindow,
             QObject *parent = nullptr);
    ~TrayMenu() override;

    // Shows the item when the desktop has a tray; false (nothing shown) when it has none.
    bool show();

    QMenu &menu() { return menu_; }
    QSystemTrayIcon &icon() { return icon_; }

private slots:
    void refresh();

private:
    void pressMainSwitch();
    void quit();

    VardoService &service_;
    SettingsPicker &lockAction_;
    std::function<void()> openMainWindow_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction *status_;
    QAction *mainSwitch_;
    QAction *countdown_;
    QAction *modeTitle_;
    QActionGroup *modes_;
    QAction *locksToday_;
    QAction *face_;
    QAction *open_;
    QAction *quit_;
    bool monitoringIconShown_ = false;
    bool iconSet_ = false;
};

} // namespace vardo
