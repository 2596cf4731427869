// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Every text that the main window shows in its messages and title. Lines are joined by a lone
// carriage return; the message presenter turns it into a line break.
#pragma once

#include <QStringList>

namespace WindowTexts {

inline constexpr QChar lineBreak = QChar(13);

inline const QString title = QStringLiteral("Découper / Restituer un fichier");
inline QString progressTitle(int piece, int pieceCount, int percent)
{
    return title
           + QStringLiteral(" — morceau %1 sur %2 — %3 %").arg(piece).arg(pieceCount).arg(percent);
}

inline const QString presets[] = {QStringLiteral("2800"), QStringLiteral("1400"),
                                  QStringLiteral("1200"), QStringLiteral("700"),
                                  QStringLiteral("300")};
inline const QString defaultSize = QStringLiteral("1400");
inline const QString presetsName = QStringLiteral("Tailles proposées"); // the size box's list
inline const QString allFiles = QStringLiteral("*.*");

// Where the output goes when the user chooses: the file list's menu, and the folder dialog's
// titles.
inline const QString cutToAction = QStringLiteral("Découper vers…");
inline const QString restoreToAction = QStringLiteral("Restituer vers…");
inline const QString fileMenuName = QStringLiteral("Actions du fichier");
inline const QString piecesFolderTitle = QStringLiteral("Enregistrer les morceaux dans…");
inline const QString restoredFolderTitle = QStringLiteral("Restituer le fichier dans…");

inline const QString nonNumericTitle = QStringLiteral("Erreur : valeur non numérique");
inline const QString nonNumericText = QStringLiteral(" veuillez entrer une valeur numérique");

inline const QString helpTitle = QStringLiteral("Information");
inline const QString helpText =
    QStringLiteral("DECOUPER :") + lineBreak
    + QStringLiteral("Sélectionnez le fichier que vous désirez découper.") + lineBreak
    + QStringLiteral("Sélectionner la taille des partitions (Format de disquettes).") + lineBreak
    + QStringLiteral("Cliquez sur le bouton < Découper >.") + lineBreak + lineBreak
    + QStringLiteral("RESTITUER :") + lineBreak
    + QStringLiteral("Copier à partir des disquettes de sauvegarde tous ") + lineBreak
    + QStringLiteral("les fichiers précédemment découpés dans un dossier.") + lineBreak
    + QStringLiteral("Sélectionnez le premier fichier ****.001.") + lineBreak
    + QStringLiteral("Cliquez sur le bouton < Restituer >.") + lineBreak
    + QStringLiteral("Tous les fichiers ****.00X seront pris en compte.");

inline const QString aboutTitle = QStringLiteral("A propos");
inline const QString aboutText =
    QStringLiteral("Fendrax version " FENDRAX_VERSION " - Decouper/Restituer un fichier")
    + lineBreak + lineBreak + QStringLiteral("Auteur : le projet Fendrax") + lineBreak
    + QStringLiteral("E-Mail : contact@fendrax.example") + lineBreak
    + QStringLiteral("Url : https://fendrax.example/") + lineBreak + lineBreak;

// On standard error, for a command line that names nothing the window can open.
inline QString commandLineRefused(const QStringList &arguments)
{
    return arguments.size() > 1
               ? QStringLiteral("fendrax : un seul fichier ou dossier à la fois.")
               : QStringLiteral("fendrax : « %1 » n'est ni un fichier ni un dossier lisible.")
                     .arg(arguments.constFirst());
}

// Across media.
inline const QString nextMediumTitle = QStringLiteral("Support suivant");
inline const QString missingMediumTitle = QStringLiteral("Support demandé");
inline const QString mediaList = QStringLiteral("&Supports présents :");
inline const QString mediaListName = QStringLiteral("Supports présents");
inline const QString writeHere = QStringLiteral("Écrire &ici");
inline const QString readHere = QStringLiteral("&Lire ici");
inline const QString otherFolder = QStringLiteral("Autre &dossier…");
inline const QString otherFolderTitle = QStringLiteral("Dossier du support");
inline const QString mediumLost = QStringLiteral("Support &perdu");
inline const QString noOtherMedium = QStringLiteral("&Aucun autre");
inline const QString cancel = QStringLiteral("Annuler");
inline const QString acrossMediaTitle = QStringLiteral("Plusieurs supports");
inline const QString acrossMediaQuestion = QStringLiteral("Continuer sur plusieurs supports ?");
inline const QString protectMedia = QStringLiteral("Protéger contre la perte d'un support");

inline const QString donationUrl = QStringLiteral("https://fendrax.example/Don/Don.htm");

} // namespace WindowTexts
