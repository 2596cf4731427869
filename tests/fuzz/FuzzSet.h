// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Where every fuzz target runs the real restore: a folder holding a small set that the engine cut
// (three pieces, the checksum file, the index and two volumes), whose files an input replaces,
// inside a folder of its own. After each restore it checks what no input may change: nothing is
// written outside the folder, nothing of the set is written to, nothing half-written is left, and
// a file restored beside the set's own checksum file is the file that was cut. A breach aborts,
// which the fuzzer reports as a finding.
#pragma once

#include "EngineWindow.h"
#include "FctDecoup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

class FuzzSet final : public EngineWindow
{
public:
    using Files = QMap<QString, QByteArray>;

    FuzzSet() : m_folder(m_root.filePath(QStringLiteral("set")) + QLatin1Char('/'))
    {
        QByteArray source(3000, Qt::Uninitialized);
        for (int i = 0; i < source.size(); ++i)
            source[i] = char(i * 7 % 251);
        m_source = source;
        QDir().mkdir(m_folder);
        if (!write(QStringLiteral("rapport.doc"), source))
            std::abort();
        FctDecoup::CutFile(*this, m_folder + QStringLiteral("rapport.doc"), 1, 2);
        QFile::remove(m_folder + QStringLiteral("rapport.doc"));
        for (const QString &name : QDir(m_folder).entryList(QDir::Files))
            m_files[name] = read(name);
        if (m_files.size() != 7)
            std::abort();
    }

    MessageAnswer showMessage(const QString &, const QString &, MessageIcon,
                              MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
    void refreshFileList() override {}
    void reportProgress(const Progress &) override {}
    bool stopRequested() const override { return false; }

    // The set as the cut wrote it.
    const Files &files() const { return m_files; }
    const QString &folder() const { return m_folder; }

    // Lays files in the emptied folder (with special, a FIFO and a link to /dev/zero under
    // recovery files' names too), then restores from start and checks what it did.
    void restore(const Files &files, const QString &start, bool special = false)
    {
        for (const QString &name : QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden
                                                            | QDir::System | QDir::NoDotAndDotDot))
            ::unlink(QFile::encodeName(m_folder + name).constData())
                == 0 || QDir(m_folder + name).removeRecursively();
        for (auto it = files.begin(); it != files.end(); ++it) {
            if (!write(it.key(), it.value()))
                std::abort();
        }
        if (special
            && (::mkfifo(QFile::encodeName(m_folder + fifo).constData(), 0644) != 0
                || ::symlink("/dev/zero", QFile::encodeName(m_folder + zero).constData()) != 0))
            std::abort();
        FctDecoup::RestoreFile(*this, m_folder + start);
        check(files, special);
    }

    // With FENDRAX_FUZZ_SEEDS set, the input is also written there as a seed.
    static void seed(const char *name, const QByteArray &input)
    {
        if (const char *seeds = std::getenv("FENDRAX_FUZZ_SEEDS")) {
            QFile file(QFile::decodeName(seeds) + QLatin1Char('/') + QLatin1String(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
                std::abort();
        }
    }

private:
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(m_folder + name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QByteArray read(const QString &name) const
    {
        QFile file(m_folder + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void check(const Files &laid, bool special) const
    {
        const auto breach = [](const char *what) {
            std::fprintf(stderr, "breach: %s\n", what);
            std::abort();
        };
        if (QDir(m_root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            != QStringList{QStringLiteral("set")})
            breach("an entry beside the set's folder");
        for (auto it = laid.begin(); it != laid.end(); ++it) {
            if (read(it.key()) != it.value())
                breach("a file of the set written to");
        }
        const QStringList names = QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden
                                                           | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names) {
            if (laid.contains(name) || (special && (name == fifo || name == zero)))
                continue;
            if (name.startsWith(QLatin1Char('.')))
                breach("half-written output left");
            if (laid.contains(QStringLiteral("rapport.sha256"))
                && laid[QStringLiteral("rapport.sha256")] == m_files[QStringLiteral("rapport.sha256")]
                && read(name) != m_source)
                breach("a restored file that its checksum file contradicts");
        }
        if (names.size() > laid.size() + (special ? 2 : 0) + 1)
            breach("more than one file restored");
    }

    const QString fifo = QStringLiteral("rapport.vol9+1.par2");
    const QString zero = QStringLiteral("rapport.vol8+1.par2");
    QTemporaryDir m_root;
    const QString m_folder;
    QByteArray m_source;
    Files m_files;
};
