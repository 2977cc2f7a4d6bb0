#include "core/settingsfile.h"

#include "core/atomicfile.h"
#include "core/errors.h"

#include <fstream>
#include <sstream>

namespace kt90 {

IniDocument SettingsFile::load() const
{
    std::ifstream in(fPath, std::ios::binary);
    if (!in)
        return IniDocument(); // a missing file holds no values
    std::ostringstream text;
    text << in.rdbuf();
    return IniDocument(text.str());
}

std::string SettingsFile::ReadString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const
{
    return kt90::ReadString(load(), section, key, fallback);
}

long SettingsFile::ReadInteger(const std::string& section, const std::string& key,
                               long fallback) const
{
    return kt90::ReadInteger(load(), section, key, fallback);
}

bool SettingsFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const
{
    return kt90::ReadBool(load(), section, key, fallback);
}

void SettingsFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& v)
{
    IniDocument ini = load();
    ini.setValue(section, key, v);
    const std::string text = ini.text();
    try {
        WriteFileAtomically(fPath, text.data(), text.size());
    } catch (const Error&) {
        throw Error("Unable to write to " + fPath);
    }
}

void SettingsFile::WriteInteger(const std::string& section, const std::string& key, long v)
{
    WriteString(section, key, std::to_string(v));
}

void SettingsFile::WriteBool(const std::string& section, const std::string& key, bool v)
{
    WriteString(section, key, v ? "1" : "0");
}

} // namespace kt90
