// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Every text that the engine shows to the user. Lines are joined by a lone carriage return.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>

namespace EngineTexts {

inline constexpr QChar lineBreak = QChar(13);

// Why an operation failed, in the line after its own: the cause and what it concerns, the file
// at path or, for what concerns its medium, its folder.
inline QString cause(int error, const QString &path)
{
    const QString folder = path.endsWith(QLatin1Char('/'))
                               ? path
                               : path.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/');
    switch (error) {
    case EROFS:
        return QStringLiteral("Le support de ") + folder + QStringLiteral(" est en lecture seule.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Permission refusée : ") + path + QLatin1Char('.');
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Le support de ") + folder + QStringLiteral(" est plein.");
    case ENAMETOOLONG:
        return QStringLiteral("Nom trop long pour le système de fichiers : ") + path
               + QLatin1Char('.');
    case EFBIG:
        return QStringLiteral("Fichier trop grand pour le système de fichiers : ") + path
               + QLatin1Char('.');
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Le dossier ou le fichier ") + path + QStringLiteral(" a disparu.");
    case EIO:
        return QStringLiteral("Erreur d'entrée-sortie du support de ") + path + QLatin1Char('.');
    case EEXIST:
        return QStringLiteral("Le fichier ") + path + QStringLiteral(" existe déjà.");
    case EISDIR:
        return QStringLiteral("Un dossier porte le nom du fichier ") + path + QLatin1Char('.');
    case ENOMEM:
        return QStringLiteral("Pas assez de mémoire pour ") + path + QLatin1Char('.');
    case ESTALE:
        return QStringLiteral("Le fichier ") + path
               + QStringLiteral(" a été modifié par un autre programme.");
    case 0:
        return {};
    default:
        return QStringLiteral("Erreur du système sur ") + path + QStringLiteral(" : ")
               + QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.');
    }
}
inline QString megabytes(qint64 bytes)
{
    return QLocale(QLocale::French).toString(double(bytes) / (1 << 20), 'f', 1)
           + QStringLiteral(" Mo");
}
inline QString noRoom(const QString &folder, qint64 needed, qint64 free)
{
    return QStringLiteral("Pas assez de place dans ") + folder + QStringLiteral(" : il faut ")
           + megabytes(needed) + QStringLiteral(", ") + megabytes(free)
           + QStringLiteral(" sont libres.");
}
inline QString tooLargeForFat(const QString &folder, qint64 length)
{
    return QStringLiteral("Un fichier de ") + megabytes(length)
           + QStringLiteral(" est trop grand pour le système de fichiers FAT de ") + folder
           + QStringLiteral(" : 4 Go au plus par fichier.");
}
// An operation's own line, then why, when the cause is known.
inline QString withCause(const QString &line, const QString &why)
{
    return why.isEmpty() ? line : line + lineBreak + why;
}

inline const QString informationTitle = QStringLiteral("Information");
inline const QString warningTitle = QStringLiteral("Avertissement");
inline const QString errorTitle = QStringLiteral("Erreur");

// Cutting
inline const QString earlierSetQuestion = QStringLiteral("Supprimer les fichiers déjà découpés ?")
                                          + lineBreak + QStringLiteral("           Confirmez");
inline QString earlierSetTitle(const QString &baseName)
{
    return QStringLiteral("Fichier ") + baseName + QStringLiteral(".0XX existant");
}
inline QString cutDone(const QString &countText)
{
    return QStringLiteral("Découpage du fichier terminé.") + lineBreak
           + QStringLiteral("Fichier découpé en ") + countText + QStringLiteral(" morceaux.");
}
inline QString cutDoneAcrossMedia(const QString &countText, const QStringList &media)
{
    return cutDone(countText) + lineBreak + QStringLiteral("Chaque support a été relu.") + lineBreak
           + media.join(lineBreak);
}
inline const QString cutError = QStringLiteral("Erreur lors du découpage du fichier !");
inline QString sourceChanged(const QString &path)
{
    return QStringLiteral("Le fichier ") + path
           + QStringLiteral(" a été modifié pendant le découpage.");
}
inline QString sourceIsSetName(const QString &path)
{
    return QStringLiteral("Le fichier à découper porte le nom d'un fichier du découpage : ") + path
           + QLatin1Char('.');
}
inline QString readOnlyFile(const QString &path)
{
    return QStringLiteral("Le fichier ") + path + QStringLiteral(" est en lecture seule.");
}
inline const QString badSize =
    QStringLiteral("La taille des morceaux doit aller de 1 octet à 2 097 151 Ko.");
// The smallest size that fits, in whole kilobytes, follows the two lines of the refusal.
inline QString tooManyPieces(qint64 smallestKb)
{
    return QStringLiteral("Ce découpage demanderait plus de 999 morceaux, le maximum.") + lineBreak
           + QStringLiteral("Veuillez choisir une taille de partition plus grande.") + lineBreak
           + QStringLiteral("Choisissez au moins ") + QLocale(QLocale::French).toString(smallestKb)
           + QStringLiteral(" Ko.");
}

// Across media. names: what the media hold, by runs ("rapport.001 à rapport.011").
inline QString mediumFull(const QString &written, bool several, int pieces, int volumes,
                          qint64 bytes)
{
    QStringList left;
    if (pieces)
        left.append(QString::number(pieces)
                    + (pieces > 1 ? QStringLiteral(" morceaux") : QStringLiteral(" morceau")));
    if (volumes)
        left.append(QString::number(volumes)
                    + (volumes > 1 ? QStringLiteral(" fichiers de réparation")
                                   : QStringLiteral(" fichier de réparation")));
    return written
           + (several ? QStringLiteral(" sont écrits ; il reste ")
                      : QStringLiteral(" est écrit ; il reste "))
           + left.join(QStringLiteral(" et ")) + QStringLiteral(", ") + megabytes(bytes);
}
inline QString firstMedium(int pieces, qint64 bytes)
{
    return QStringLiteral("Rien n'est encore écrit ; il y a ") + QString::number(pieces)
           + QStringLiteral(" morceaux, ") + megabytes(bytes);
}
inline QString mediumUnchanged(const QString &folder)
{
    return QStringLiteral("Le support de ") + folder
           + QStringLiteral(" n'a pas changé : insérez le support suivant.");
}
inline QString mediumTooSmall(const QString &folder, const QString &name, qint64 needed,
                              qint64 free)
{
    return QStringLiteral("Le support de ") + folder + QStringLiteral(" ne peut recevoir ") + name
           + QStringLiteral(" : il faut ") + megabytes(needed) + QStringLiteral(", ")
           + megabytes(free) + QStringLiteral(" sont libres.");
}
inline QString mediumDidNotKeep(const QString &folder, const QString &names)
{
    return QStringLiteral("Le support de ") + folder
           + QStringLiteral(" n'a pas gardé ce qui y a été écrit : ") + names + QLatin1Char('.')
           + lineBreak + QStringLiteral("Ces fichiers seront écrits sur un autre support.");
}
inline QString mediumHolds(int number, const QString &folder, const QString &names)
{
    return QStringLiteral("Support ") + QString::number(number) + QStringLiteral(" (") + folder
           + QStringLiteral(") : ") + names + QLatin1Char('.');
}
inline const QString cutInterrupted = QStringLiteral("Découpage interrompu.");
inline QString notWritten(const QString &names)
{
    return QStringLiteral("Non écrits : ") + names + QLatin1Char('.');
}
inline QString mediaTooSmall(qint64 needed, qint64 free)
{
    return QStringLiteral("Les supports donnés ne peuvent recevoir tout le découpage : il faut ")
           + megabytes(needed) + QStringLiteral(", ") + megabytes(free)
           + QStringLiteral(" sont libres.");
}
inline QString insertMediumWith(const QString &pieceName)
{
    return QStringLiteral("Insérez le support qui porte ") + pieceName;
}
inline QString insertRecoveryMedium(const QString &baseName)
{
    return QStringLiteral("Insérez un autre support qui porte des fichiers de réparation de ")
           + baseName;
}

// Another operation writes, or reads, the set's names in that folder.
inline QString namesBusy(const QString &name, const QString &folder)
{
    return QStringLiteral("Un autre découpage ou une autre restitution de ") + name
           + QStringLiteral(" est en cours dans le dossier ") + folder + QLatin1Char('.');
}

// Restoring
inline const QString wrongFileTitle = QStringLiteral("Erreur : Mauvais fichier ... ");
inline const QString wrongFileText =
    QStringLiteral(" veuillez selectionner un fichier dont l'extention se termine par 001 !");
inline const QString restoreDone = QStringLiteral("Restitution des fichiers terminée.");
inline const QString destinationExists =
    QStringLiteral("Le fichier destination existe dans le répertoire !");
inline const QString badHeader =
    QStringLiteral("Ce fichier n'est pas le premier morceau d'un fichier découpé :") + lineBreak
    + QStringLiteral("son en-tête est absent ou invalide.");
inline QString missingPiece(const QString &pieceName)
{
    return QStringLiteral("Le morceau ") + pieceName + QStringLiteral(" est manquant.") + lineBreak
           + QStringLiteral("Rassemblez tous les morceaux dans le même dossier.");
}
inline QString damagedPiece(const QString &pieceName)
{
    return QStringLiteral("Le morceau ") + pieceName
           + QStringLiteral(" est endommagé : sa taille ne correspond pas à celle des autres "
                            "morceaux.");
}
inline QString damagedContent(const QString &pieceName, const QString &checksumName)
{
    return QStringLiteral("Le morceau ") + pieceName
           + QStringLiteral(" est endommagé : son contenu ne correspond pas à ") + checksumName
           + QLatin1Char('.');
}
inline QString checksumsDoNotMatch(const QString &checksumName)
{
    return QStringLiteral("Le fichier ") + checksumName
           + QStringLiteral(" ne correspond pas à ces morceaux.");
}
inline const QString restoreError = QStringLiteral("Erreur lors de la restitution du fichier !");
inline QString rebuiltPieces(const QStringList &missing, const QStringList &damaged)
{
    QStringList pieces;
    for (const QString &name : missing)
        pieces.append(name + QStringLiteral(" (manquant)"));
    for (const QString &name : damaged)
        pieces.append(name + QStringLiteral(" (endommagé)"));
    return (pieces.size() > 1 ? QStringLiteral("Morceaux reconstitués")
                              : QStringLiteral("Morceau reconstitué"))
           + QStringLiteral(" à partir des fichiers de réparation : ")
           + pieces.join(QStringLiteral(", ")) + QLatin1Char('.');
}
inline QString rebuiltDoesNotMatch(const QString &pieceName, const QString &checksumName)
{
    return QStringLiteral("Le morceau ") + pieceName
           + QStringLiteral(" reconstitué à partir des fichiers de réparation ne correspond pas à ")
           + checksumName + QLatin1Char('.');
}
inline QString restoredDoesNotMatch(const QString &restoredName, const QString &checksumName)
{
    return QStringLiteral("Le fichier ") + restoredName
           + QStringLiteral(" restitué ne correspond pas à ") + checksumName + QLatin1Char('.');
}
inline QString notRepairable(const QString &pieceName, bool missing)
{
    return QStringLiteral("Le morceau ") + pieceName
           + (missing ? QStringLiteral(" est manquant.") : QStringLiteral(" est endommagé."))
           + lineBreak
           + QStringLiteral("Les fichiers de réparation ne suffisent pas à reconstituer tous les "
                            "morceaux manquants ou endommagés.");
}

} // namespace EngineTexts
