// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/inifile.h"

#include <cctype>
#include <charconv>

namespace kt90 {

namespace {

std::string trimmed(const std::string& s)
{
    std::size_t a = 0;
    std::size_t b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isComment(const std::string& t) { return !t.empty() && (t[0] == ';' || t[0] == '#'); }

// "[name]" gives name.
std::optional<std::string> sectionName(const std::string& line)
{
    const std::string t = trimmed(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return trimmed(t.substr(1, close - 1));
}

struct KeyValue {
    std::string key, value;
};

std::optional<KeyValue> keyValue(const std::string& line)
{
    const std::string t = trimmed(line);
    if (t.empty() || isComment(t) || t[0] == '[')
        return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    std::string v = trimmed(t.substr(eq + 1));
    if (v.size() >= 2 &&
        ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
        v = v.substr(1, v.size() - 2);
    return KeyValue{trimmed(t.substr(0, eq)), v};
}

} // namespace

IniDocument::IniDocument(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos) {
            lines.push_back({text.substr(at), ""});
            break;
        }
        const bool cr = nl > at && text[nl - 1] == '\r';
        lines.push_back({text.substr(at, nl - at - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
        at = nl + 1;
    }
}

long IniDocument::findSection(const std::string& section) const
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (auto name = sectionName(lines[i].content); name && sameName(*name, section))
            return static_cast<long>(i);
    return -1;
}

long IniDocument::findKey(long header, const std::string& key) const
{
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.size(); ++i) {
        if (sectionName(lines[i].content))
            break;
        if (auto kv = keyValue(lines[i].content); kv && sameName(kv->key, key))
            return static_cast<long>(i);
    }
    return -1;
}

std::optional<std::string> IniDocument::value(const std::string& section,
                                              const std::string& key) const
{
    const long header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const long line = findKey(header, key);
    if (line < 0)
        return std::nullopt;
    return keyValue(lines[static_cast<std::size_t>(line)].content)->value;
}

std::string IniDocument::newline() const
{
    // New lines end as the text's first line does.
    for (const auto& l : lines)
        if (!l.ending.empty())
            return l.ending;
    return "\n";
}

void IniDocument::setValue(const std::string& section, const std::string& key,
                           const std::string& value)
{
    const std::string entry = key + "=" + value;
    const std::string nl = newline();
    long header = findSection(section);
    if (header < 0) {
        if (!lines.empty() && lines.back().ending.empty())
            lines.back().ending = nl;
        lines.push_back({"[" + section + "]", nl});
        lines.push_back({entry, nl});
        return;
    }
    const long line = findKey(header, key);
    if (line >= 0) {
        lines[static_cast<std::size_t>(line)].content = entry;
        return;
    }
    // After the section's last key, ahead of the blank lines and comments
    // that lead to the next section.
    std::size_t insertAt = static_cast<std::size_t>(header) + 1;
    for (std::size_t i = insertAt; i < lines.size(); ++i) {
        if (sectionName(lines[i].content))
            break;
        if (keyValue(lines[i].content))
            insertAt = i + 1;
    }
    if (insertAt == lines.size() && !lines.empty() && lines.back().ending.empty())
        lines.back().ending = nl;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), {entry, nl});
}

std::string IniDocument::text() const
{
    std::string out;
    for (const auto& l : lines)
        out += l.content + l.ending;
    return out;
}

std::string ReadString(const IniDocument& ini, const std::string& section, const std::string& key,
                       const std::string& fallback)
{
    return ini.value(section, key).value_or(fallback);
}

long ReadInteger(const IniDocument& ini, const std::string& section, const std::string& key,
                 long fallback)
{
    const auto v = ini.value(section, key);
    if (!v || v->empty())
        return fallback;
    long n = 0;
    const char* first = v->data();
    const char* last = v->data() + v->size();
    if (*first == '+' && v->size() > 1 && (*v)[1] != '-')
        ++first;
    const auto r = std::from_chars(first, last, n);
    return r.ec == std::errc() && r.ptr == last ? n : fallback;
}

bool ReadBool(const IniDocument& ini, const std::string& section, const std::string& key,
              bool fallback)
{
    return ReadInteger(ini, section, key, fallback ? 1 : 0) != 0;
}

} // namespace kt90
