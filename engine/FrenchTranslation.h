// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Qt's own texts (the "Annuler" of a message box, the "Options :" of a command's help) in
// French, from Qt's translations: for the window and the terminal command alike.
#pragma once

class QCoreApplication;

// Installs Qt's French translation on app; false when the translation cannot be found.
bool installQtFrench(QCoreApplication &app);
