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
    installQtFrench(app);
    Decouper window;
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
