#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

#include "tray/PopupPanel.h"

class QAction;

namespace orvel {

class InspectorModel;

/// The application's icon in the system tray. A click opens the popup panel beside it; its
/// context menu offers the panel's actions and whether the application starts at login.
class TrayIcon final : public QObject {
    Q_OBJECT

public:
    /// Shows the icon at once, or, when no tray is there yet (it often starts after us), as soon
    /// as one appears in the next 20 seconds. `openMainWindow` shows, raises and activates the
    /// main window, creating it when closed.
    TrayIcon(InspectorModel& model, std::function<void()> openMainWindow, QObject* parent = nullptr);

    /// Whether the desktop shows tray icons at all.
    static bool isAvailable();

    /// Whether the icon is in a tray now.
    bool isShown() const { return m_icon.isVisible(); }
    /// The panel a click on the icon opens.
    PopupPanel& popup() { return m_popup; }
    /// The icon's context menu.
    QMenu& menu() { return m_menu; }

private:
    /// Opens the popup panel beside the icon, or beside the pointer when the icon's place is
    /// unknown.
    void showPopup();
    /// Opens the popup, or closes it when it is open.
    void togglePopup();
    void buildMenu();
    /// Shows the icon if a tray is there; otherwise tries again later, while tries remain.
    void showIcon();

    InspectorModel& m_model;
    std::function<void()> m_openMainWindow;
    PopupPanel m_popup;
    QMenu m_menu;
    QAction* m_startAtLogin = nullptr;
    QSystemTrayIcon m_icon;
    QTimer m_retry;
    int m_retriesLeft;
};

} // namespace orvel
