#include "tray/TrayIcon.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>

#include "model/InspectorModel.h"
#include "tray/Autostart.h"
#include "ui/ModelPreferencesDialog.h"

namespace orvel {

namespace {

// A tray host started with the session may come up some seconds after us.
constexpr int retryMilliseconds = 2000;
constexpr int retries = 10;

} // namespace

TrayIcon::TrayIcon(InspectorModel& model, std::function<void()> openMainWindow, QObject* parent)
    : QObject(parent), m_model(model), m_openMainWindow(std::move(openMainWindow)), m_popup(model),
      m_retriesLeft(retries) {
    m_icon.setIcon(QIcon(":/icons/orvel.svg"));
    m_icon.setToolTip("Orvel");
    buildMenu();
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) togglePopup();
    });
    connect(&m_popup, &PopupPanel::openMainWindowRequested, this, [this] { m_openMainWindow(); });
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMilliseconds);
    connect(&m_retry, &QTimer::timeout, this, &TrayIcon::showIcon);
    showIcon();
}

bool TrayIcon::isAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::showPopup() {
    const auto geometry = m_icon.geometry();
    m_popup.showNear(geometry.isEmpty() ? QCursor::pos() : geometry.center());
}

void TrayIcon::togglePopup() {
    if (m_popup.isVisible()) {
        m_popup.hide();
    } else if (!m_popup.closedJustNow()) {
        showPopup();
    }
}

void TrayIcon::buildMenu() {
    m_menu.setObjectName("trayMenu");
    m_menu.addAction("Inspect Clipboard", this, [this] {
        m_model.loadClipboard();
        showPopup();
    });
    m_menu.addAction("Open Orvel", this, [this] { m_openMainWindow(); });
    m_startAtLogin = m_menu.addAction("Start at login");
    m_startAtLogin->setCheckable(true);
    // The check mark always tells what is on disk: a failed write leaves it as it was, and an
    // entry added or removed behind our back shows the next time the menu opens.
    connect(m_startAtLogin, &QAction::triggered, this, [this](bool checked) {
        Autostart::setEnabled(checked);
        m_startAtLogin->setChecked(Autostart::isEnabled());
    });
    connect(&m_menu, &QMenu::aboutToShow, this, [this] { m_startAtLogin->setChecked(Autostart::isEnabled()); });
    m_startAtLogin->setChecked(Autostart::isEnabled());
    m_menu.addAction("Preferences…", this, [] {
        auto* dialog = new ModelPreferencesDialog;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    m_menu.addSeparator();
    m_menu.addAction("Quit", qApp, &QCoreApplication::quit);
}

void TrayIcon::showIcon() {
    if (isAvailable()) {
        m_icon.show();
    } else if (m_retriesLeft-- > 0) {
        m_retry.start();
    }
}

} // namespace orvel
