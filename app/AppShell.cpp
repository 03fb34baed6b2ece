#include "AppShell.h"

#include <QApplication>
#include <QCursor>

#include "platform/HotKeyManager.h"
#include "tray/TrayIcon.h"
#include "ui/MainWindow.h"

namespace orvel {

// The preferences store sits in the user's XDG config folder: ~/.config/orvel/orvel.conf.
AppShell::AppShell(const QStringList& arguments)
    : m_settings(QStringLiteral("orvel"), QStringLiteral("orvel")), m_model(m_settings, arguments) {
    // The icon appears as soon as a tray host does. While it shows, closing the window leaves the
    // app in the tray; without one, closing the window quits.
    m_tray = std::make_unique<TrayIcon>(m_model, [this] { openMainWindow(); });
    QApplication::setQuitOnLastWindowClosed(false);
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] {
        if (!m_tray->isShown()) QApplication::quit();
    });
    // "--hidden" starts in the background, as at login: the tray, the shortcut and a second start
    // open the window.
    if (!arguments.contains(QStringLiteral("--hidden")) && !arguments.contains(QStringLiteral("--popup")))
        openMainWindow();
    showPopupIfAsked(arguments);
    // The window registers the shortcut each time it is shown; a start in the background needs it too.
    if (!HotKeyManager::registrationSkipped()) HotKeyManager::shared().registerHotKey([this] { inspectClipboard(); });
}

AppShell::~AppShell() { delete m_window; }

void AppShell::openMainWindow() {
    if (!m_window) m_window = new MainWindow(m_model, [this] { inspectClipboard(); });
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void AppShell::inspectClipboard() {
    openMainWindow();
    m_model.loadClipboard();
}

void AppShell::applyForwardedArguments(const QStringList& arguments) {
    if (!arguments.contains(QStringLiteral("--hidden")) && !arguments.contains(QStringLiteral("--popup")))
        openMainWindow();
    m_model.applyLaunchArguments(arguments);
    showPopupIfAsked(arguments);
}

void AppShell::showPopupIfAsked(const QStringList& arguments) {
    if (arguments.contains(QStringLiteral("--popup"))) m_tray->popup().showNear(QCursor::pos());
}

} // namespace orvel
