// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// What the desktop hears of a long operation, over the session bus: a notification when it ends
// while the user works elsewhere (org.freedesktop.Notifications), and its progress on the
// program's launcher while it runs (com.canonical.Unity.LauncherEntry, which KDE Plasma and
// GNOME's docks follow). Without a session bus or a service to take them, nothing is sent and
// nothing is said.
#pragma once

#include <QString>

class DesktopSession
{
public:
    // A notification of the program's, with that text.
    void notify(const QString &text) const;
    // The launcher's progress bar at that share (0 to 1), or none.
    void showProgress(double share) const;
    void hideProgress() const;

private:
    void updateLauncher(bool visible, double share) const;
};
