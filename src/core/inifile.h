// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An INI text edited in place: reading follows the usual profile-file rules
// (section and key names without regard to case, blanks around names and
// values ignored, one pair of quotes around a value removed), and a write
// changes only the line of its key, so that every other line, comment and
// line ending stays byte for byte as it was.

#include <optional>
#include <string>
#include <vector>

namespace kt90 {

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(const std::string& text);

    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // Replaces the key's line, or adds "key=value" at the end of its section
    // (the section at the end of the text when there is none).
    void setValue(const std::string& section, const std::string& key, const std::string& value);

    std::string text() const;

private:
    struct Line {
        std::string content; // without its line ending
        std::string ending;  // "\n", "\r\n" or "" for a last line without one
    };
    // Index of the section's header line, or -1.
    long findSection(const std::string& section) const;
    long findKey(long header, const std::string& key) const;
    std::string newline() const;

    std::vector<Line> lines;
};

// The settings reading rules on top of the text values.
std::string ReadString(const IniDocument& ini, const std::string& section, const std::string& key,
                       const std::string& fallback);
// A missing key or a text that is not a decimal integer gives the fallback.
long ReadInteger(const IniDocument& ini, const std::string& section, const std::string& key,
                 long fallback);
// Read as an integer; anything but 0 is true.
bool ReadBool(const IniDocument& ini, const std::string& section, const std::string& key,
              bool fallback);

} // namespace kt90
