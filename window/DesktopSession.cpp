// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "DesktopSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString iconName = QStringLiteral("fendrax");
const QString desktopEntry = QStringLiteral(FENDRAX_APP_ID);

} // namespace

void DesktopSession::notify(const QString &text) const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, the notification it replaces (none), icon, summary, body, actions, hints, and
    // how long it stays (as the server likes).
    call << QStringLiteral("Fendrax") << 0u << iconName << text << QString() << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), desktopEntry}} << -1;
    // Never waited for: a desktop without the service answers late or never.
    bus.send(call);
}

void DesktopSession::showProgress(double share) const
{
    updateLauncher(true, share);
}

void DesktopSession::hideProgress() const
{
    updateLauncher(false, 0);
}

void DesktopSession::updateLauncher(bool visible, double share) const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/") + iconName, QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"));
    update << QStringLiteral("application://") + desktopEntry + QStringLiteral(".desktop")
           << QVariantMap{{QStringLiteral("progress"), share},
                          {QStringLiteral("progress-visible"), visible}};
    bus.send(update);
}
