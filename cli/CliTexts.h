// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Every text of the terminal command that is not the engine's own, and its exit statuses.
#pragma once

#include <QLocale>
#include <QString>

namespace CliTexts {

// What a script reads of the command's end.
enum Status {
    Done = 0,         // done; verify: the set is whole
    Mendable = 1,     // verify: damaged, and its recovery files mend it
    BeyondRepair = 2, // verify: damaged beyond what its recovery files mend
    Failed = 3,       // refused or failed: the message said why
    Unanswered = 4,   // a question needed an answer, and there was no terminal to ask it on
    WrongUsage = 64,  // as sysexits.h: the command was not understood
    SignalBase = 128, // stopped by signal n: 128 + n (130 for Ctrl+C, 143 for SIGTERM)
};

inline const QString description = QStringLiteral(
    "Découpe un fichier en morceaux numérotés, le restitue à partir de son premier morceau ou\n"
    "de ses fichiers de réparation, et dit si un ensemble de morceaux est entier.\n\n"
    "Commandes :\n"
    "  cut FICHIER        découper (morceaux, rapport.sha256 et fichiers PAR2)\n"
    "  restore MORCEAU    restituer à partir de rapport.001 ou d'un fichier .par2\n"
    "  verify MORCEAU     vérifier sans rien écrire\n\n"
    "Codes de sortie :\n"
    "  0  terminé ; verify : l'ensemble est entier\n"
    "  1  verify : endommagé, réparable par ses fichiers de réparation\n"
    "  2  verify : endommagé, irréparable\n"
    "  3  refusé ou échoué (le message dit pourquoi)\n"
    "  4  une question attendait une réponse, sans terminal pour la poser (--yes ou --no)\n"
    "  64 commande mal formée\n"
    "  128 + n  arrêté par le signal n (130 : Ctrl+C, 143 : SIGTERM)");

inline const QString helpOption = QStringLiteral("Afficher cette aide.");
inline const QString sizeOption = QStringLiteral(
    "Taille des morceaux : en Ko (1024 octets), ou avec une unité comme split les prend "
    "(700M, 4G, 1440K : puissances de 1024 ; 700MB : de 1000).");
inline const QString recoveryOption = QStringLiteral(
    "Nombre de blocs de réparation (1 à 999), ou medium : assez pour la perte d'un support.");
inline const QString toOption = QStringLiteral(
    "Dossier où écrire (par défaut, celui du fichier). Pour découper sur plusieurs supports, "
    "donnez-le une fois par support, dans l'ordre.");
inline const QString fromOption =
    QStringLiteral("Dossier d'un autre support qui porte des morceaux (une fois par support).");
inline const QString yesOption =
    QStringLiteral("Répondre OK à la question sur un découpage existant.");
inline const QString noOption =
    QStringLiteral("Répondre Annuler à la question sur un découpage existant.");
inline const QString quietOption = QStringLiteral("Ne pas afficher la progression.");
inline const QString commandArgument = QStringLiteral("cut, restore ou verify");
inline const QString fileArgument = QStringLiteral("Le fichier à découper, ou le premier morceau.");

inline QString wrongUsage(const QString &why)
{
    return QStringLiteral("fendrax-cli : ") + why
           + QStringLiteral("\nfendrax-cli --help en dit plus.");
}
inline const QString unknownCommand = QStringLiteral("commande inconnue");
inline const QString oneFile = QStringLiteral("un seul fichier, après la commande");
inline const QString yesAndNo = QStringLiteral("--yes et --no ensemble");
inline const QString badRecovery = QStringLiteral("--recovery attend un nombre de 1 à 999");
inline const QString cutOnly = QStringLiteral("cette option ne sert qu'au découpage");
inline const QString mediaOptions = QStringLiteral(
    "--to plusieurs fois ne sert qu'au découpage, --from qu'à la restitution et à la vérification");
inline const QString acrossMedia = QStringLiteral("Continuer sur plusieurs supports ?");
inline QString nextMediumPrompt(const QString &text, const QString &lastFolder)
{
    return QStringLiteral("Support suivant (") + text
           + QStringLiteral(") : dossier du support (Entrée : ") + lastFolder
           + QStringLiteral(" une fois le support changé) ? ");
}
inline QString pieceMediumPrompt(const QString &text)
{
    return text + QStringLiteral(" : dossier du support (Entrée ou « perdu » : support perdu) ? ");
}
inline QString recoveryMediumPrompt(const QString &text)
{
    return text + QStringLiteral(" : dossier du support (Entrée : aucun autre) ? ");
}
inline const QString lost = QStringLiteral("perdu");
inline const QString cancel = QStringLiteral("annuler");

inline const QString questionPrompt = QStringLiteral(" [o/N] ");
inline const QString noTerminal =
    QStringLiteral("Pas de terminal pour répondre : relancez avec --yes (OK) ou --no (Annuler).");
inline const QString nothingDone = QStringLiteral("Rien n'a été écrit.");
inline const QString badSize = QStringLiteral(
    "--size attend un nombre entier de Ko, ou d'octets suivi de K, M, G, kB, MB ou GB");

inline const QString missing = QStringLiteral(" : manquant");
inline const QString wrongLength = QStringLiteral(" : taille incorrecte");
inline const QString damaged = QStringLiteral(" : endommagé");
inline const QString contradicted = QStringLiteral(" : ne correspond pas à son fichier .sha256");
inline const QString whole = QStringLiteral("Entier : tous les morceaux sont intacts.");
inline QString slices(int needed, int there)
{
    return QStringLiteral("%1 bloc(s) de réparation nécessaire(s), %2 disponible(s).")
        .arg(needed)
        .arg(there);
}
inline QString mendable(int needed, int there)
{
    return QStringLiteral("Endommagé, réparable : ") + slices(needed, there);
}
inline QString beyondRepair(int needed, int there)
{
    return QStringLiteral("Endommagé, irréparable : ") + slices(needed, there);
}

} // namespace CliTexts
