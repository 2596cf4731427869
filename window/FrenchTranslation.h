// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Qt's own texts (the "Annuler" of a message box) in French, from Qt's translations.
#pragma once

class QCoreApplication;

// Installs Qt's French translation on app; false when the translation cannot be found.
bool installQtFrench(QCoreApplication &app);
