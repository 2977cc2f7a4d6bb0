// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Configuration files: the raw 496-byte block, nothing else.

#include "config/configeditor.h"
#include "config/operatorui.h"

#include <QString>

// The block a file gives over a base block: the base with the defaults
// written into it, the file's bytes over its start, data_ver set to the
// panel's own. Throws kt90::Error with the text to show when the file cannot
// be read or is longer than a block ("Bad KT90 config file.").
kt90::TktFRAMParams ReadConfigFile(const QString& fileName, const kt90::TktFRAMParams& base);

// Writes the 496 bytes through a temporary file renamed over the target, so
// that a failure leaves whatever was there. Throws kt90::Error.
void WriteConfigFile(const QString& fileName, const kt90::TktFRAMParams& block);

// The editor tree's "Save" and "Open" once a file name has been chosen.
// Failures are shown to the operator; the result says whether the file was
// written or taken.
bool SaveToFile(const QString& fileName, IConfigEditor& editor, IOperatorUi& ui);
bool OpenFromFile(const QString& fileName, IConfigEditor& editor, IOperatorUi& ui);
