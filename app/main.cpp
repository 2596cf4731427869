// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Fendrax: cuts a file into pieces for small media and rebuilds it from them.
#include "Decouper.h"
#include "FrenchTranslation.h"

#include <QApplication>
#include <QFont>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installQtFrench(app);
    // The window asks for MS Sans Serif; where the system has none, a plain sans-serif of
    // similar width stands in, so that every caption fits its place.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    Decouper window;
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
