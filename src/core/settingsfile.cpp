// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settingsfile.h"

#include "core/atomicfile.h"
#include "core/errors.h"

#include <filesystem>
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
    // The user's configuration folder may not be there before the first
    // setting is written.
    const std::filesystem::path folder = std::filesystem::path(fPath).parent_path();
    std::error_code made;
    if (!folder.empty() && !std::filesystem::exists(folder, made) &&
        !std::filesystem::create_directories(folder, made) && made)
        throw EUnableToWrite(fPath, folder.string() + ": " + made.message());
    try {
        WriteFileAtomically(fPath, text.data(), text.size());
    } catch (const Error& e) {
        throw EUnableToWrite(fPath, e.what());
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
