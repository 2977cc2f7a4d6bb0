// SPDX-License-Identifier: GPL-3.0-or-later
// A configuration file of any content and length, then every panel's value
// and caption of the block it gives.

#include "core/kt90.h"
#include "core/kt90editor.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kt90::TktFRAMParams base;
    const auto block = kt90::ConfigFromFileBytes(base, data, size);
    if (!block) {
        if (size <= kt90::kBlockSize)
            std::abort();
        return 0;
    }
    kt90::EditorModel editor;
    editor.fKT90Options = *block;
    editor.CancelChanges();
    for (const auto& p : kt90::PanelFields())
        editor.Caption(p.panel);
    editor.ApplyChanges();
    return 0;
}
