#pragma once

#include <QString>

// Starting the application at login, through the desktop's XDG autostart folder. It starts
// with "--hidden": in the tray, without opening its window.
namespace orvel::Autostart {

/// The entry's path: autostart/orvel.desktop in the user's configuration folder.
QString entryPath();

/// Whether the entry exists.
bool isEnabled();

/// Writes the entry (replacing it whole, never half-written) or removes it; false when the
/// folder cannot be written.
bool setEnabled(bool enabled);

} // namespace orvel::Autostart
