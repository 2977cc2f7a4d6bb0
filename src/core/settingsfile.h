// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's settings file: an INI file read afresh for every value and
// written for every change, at once and whole (a temporary file renamed over
// it), so that nothing is cached and nothing is lost to a crash.

#include "core/inifile.h"

#include <string>

namespace kt90 {

class SettingsFile {
public:
    explicit SettingsFile(std::string path) : fPath(std::move(path)) {}

    const std::string& path() const { return fPath; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    long ReadInteger(const std::string& section, const std::string& key, long fallback) const;
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

    // Throw kt90::EUnableToWrite ("Unable to write to <path>", with the
    // reason) when the file cannot be written; it is then left as it was.
    // A missing folder is made first.
    void WriteString(const std::string& section, const std::string& key, const std::string& v);
    void WriteInteger(const std::string& section, const std::string& key, long v);
    void WriteBool(const std::string& section, const std::string& key, bool v);

private:
    IniDocument load() const;

    std::string fPath;
};

} // namespace kt90
