// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Fendrax: cuts a file into pieces for small media and rebuilds it from them.
#include "Decouper.h"
#include "FctDecoup.h"
#include "FrenchTranslation.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window's layout is fixed to the pixel: it is drawn in the one style it was laid out for.
    QApplication::setStyle(QStringLiteral("Fusion"));
    installQtFrench(app);
    // The arguments as the system gave them, once Qt has taken its own: a name that is not UTF-8
    // keeps its bytes.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(FctDecoup::PathFromNative(argv[i]));
    Decouper window(StartPlace::fromCommandLine(arguments, QCoreApplication::applicationDirPath()));
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
