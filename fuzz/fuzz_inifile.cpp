// SPDX-License-Identifier: GPL-3.0-or-later
// The INI text of any content: reading the settings' keys, writing one, and
// the text coming back unchanged but for that line.

#include "core/inifile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    kt90::IniDocument ini(text);
    if (ini.text() != text)
        std::abort(); // read and written back, nothing may change
    kt90::ReadInteger(ini, "Options", "Pooling (ms)", 250);
    kt90::ReadBool(ini, "Options", "Show power outs", false);
    kt90::ReadString(ini, "Options", "HOST IP", "0.0.0.0");
    ini.setValue("Options", "Timeout (ms)", "500");
    if (kt90::ReadInteger(kt90::IniDocument(ini.text()), "Options", "Timeout (ms)", 0) != 500)
        std::abort();
    return 0;
}
