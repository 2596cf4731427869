// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The size of the selected file as the window shows it: " 1.5 K.Octets" for 1536 bytes.
#pragma once

#include <QString>

// Kilobytes (1024 bytes) truncated after two decimals, with a leading blank, no integer part
// when it is 0 and decimals follow (" .48"), no trailing zeros, and always a point, whatever
// the user's locale.
QString sizeCaption(qint64 length);
