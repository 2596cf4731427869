// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The mend: a restore that the recovery files beside the set make up for, when pieces are missing
// or damaged, or when no checksum file can judge them.
#pragma once

#include <QString>

namespace Restoring {
class Run;
}
class SetFolders;

namespace FctDecoup {

// Restores the set of baseName in folder from its pieces and its recovery files, after the plain
// restore met damage (its message; empty when it only found no checksum file). False, having
// said nothing, when no recovery set describes the pieces; destination as Restoring::settleFolder.
bool MendSet(Restoring::Run &run, const SetFolders &folders, const QString &baseName,
             const QString &damage, QString &destination);

} // namespace FctDecoup
