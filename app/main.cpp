// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Fendrax: cuts a file into pieces for small media and rebuilds it from them.
#include "Decouper.h"
#include "FrenchTranslation.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window's layout is fixed to the pixel: it is drawn in the one style it was laid out for.
    QApplication::setStyle(QStringLiteral("Fusion"));
    installQtFrench(app);
    Decouper window(StartPlace::fromCommandLine(app.arguments().mid(1),
                                                QCoreApplication::applicationDirPath()));
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
