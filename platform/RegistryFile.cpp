#include "platform/RegistryFile.h"

#include <cstdio>

namespace platform {

namespace {

constexpr std::string_view kRoots[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// NUL, CR and LF cannot be written back into a line of the file.
bool writable(std::string_view s) {
    return s.find_first_of(std::string_view("\0\r\n", 3)) == s.npos;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (isBlank(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

void appendQuoted(std::string& out, std::string_view s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// Reads a quoted, escaped string at the start of s and removes it from s. Null on success,
// otherwise the reason.
const char* takeQuoted(std::string_view& s, std::string& out) {
    out.clear();
    if (s.empty() || s.front() != '"') return "expected '\"'";
    size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
        char c = s[i];
        if (c == '\\') {
            if (++i == s.size()) break;
            c = s[i];
            if (c != '\\' && c != '"') return "unknown escape in a string";
        } else if (c == '\0' || c == '\r') {
            return "control character in a string";
        }
        out.push_back(c);
    }
    if (i >= s.size()) return "unterminated string";
    s.remove_prefix(i + 1);
    return nullptr;
}

const char* takeDword(std::string_view s, uint32_t& out) {
    if (s.empty() || s.size() > 8) return "a dword needs 1 to 8 hex digits";
    out = 0;
    for (char c : s) {
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0) return "a dword needs 1 to 8 hex digits";
        out = (out << 4) | static_cast<uint32_t>(digit);
    }
    return nullptr;
}

// One "name"=data line of the current key.
const char* parseValue(std::string_view line, RegistryValue& value) {
    if (line.front() == '@') {
        value.name.clear();
        line.remove_prefix(1);
    } else if (const char* reason = takeQuoted(line, value.name)) {
        return reason;
    }
    line = trim(line);
    if (line.empty() || line.front() != '=') return "expected '=' after the value name";
    line = trim(line.substr(1));
    if (line.starts_with('"')) {
        value.type = RegistryValue::Type::String;
        if (const char* reason = takeQuoted(line, value.text)) return reason;
        return trim(line).empty() ? nullptr : "text after the string";
    }
    if (line.size() >= 6 && equalNoCase(line.substr(0, 6), "dword:")) {
        value.type = RegistryValue::Type::Dword;
        return takeDword(line.substr(6), value.dword);
    }
    if (line.starts_with('-')) return "value deletion entries are not supported";
    if (line.size() >= 3 && equalNoCase(line.substr(0, 3), "hex")) return "unsupported value type";
    return "malformed value";
}

} // namespace

std::optional<std::string> RegistryFile::canonical(std::string_view fullKey, std::string* display) {
    size_t end = fullKey.find('\\');
    std::string_view root = fullKey.substr(0, end);
    std::string_view rootName;
    for (auto r : kRoots)
        if (equalNoCase(root, r)) rootName = r;
    if (rootName.empty()) return std::nullopt;
    std::string shown(rootName);
    while (end != fullKey.npos) {
        size_t start = end + 1;
        end = fullKey.find('\\', start);
        std::string_view part = fullKey.substr(start, end == fullKey.npos ? end : end - start);
        if (part.empty() || !writable(part)) return std::nullopt;
        shown.push_back('\\');
        shown.append(part);
    }
    std::string canon = lowerAscii(shown);
    if (display != nullptr) *display = std::move(shown);
    return canon;
}

RegistryFile::Key* RegistryFile::ensureKey(const std::string& canon, const std::string& display) {
    size_t start = canon.find('\\');
    if (start == canon.npos) return &keys_.try_emplace(canon, Key{display, {}}).first->second;
    // Level by level below the root, so that every stored key's parent is stored too. A new key
    // is spelled below its parent as the parent already is ("SOFTWARE\Varnholt" stays the parent
    // of a key created as "software\varnholt\New").
    std::string shown = display.substr(0, start);
    Key* key = nullptr;
    while (start != canon.npos) {
        size_t end = canon.find('\\', start + 1);
        size_t length = end == canon.npos ? canon.npos : end - start;
        auto [it, created] = keys_.try_emplace(canon.substr(0, end));
        if (created) it->second.name = shown + display.substr(start, length);
        key = &it->second;
        shown = key->name;
        start = end;
    }
    return key;
}

bool RegistryFile::createKey(std::string_view fullKey) {
    std::string display;
    auto canon = canonical(fullKey, &display);
    if (!canon) return false;
    if (canon->find('\\') != canon->npos) ensureKey(*canon, display);
    return true;
}

bool RegistryFile::hasKey(std::string_view fullKey) const {
    auto canon = canonical(fullKey, nullptr);
    return canon && (canon->find('\\') == canon->npos || keys_.count(*canon) != 0);
}

bool RegistryFile::deleteKey(std::string_view fullKey) {
    auto canon = canonical(fullKey, nullptr);
    if (!canon || canon->find('\\') == canon->npos) return false;
    auto first = keys_.find(*canon);
    if (first == keys_.end()) return false;
    std::string prefix = *canon + '\\';
    auto last = keys_.lower_bound(prefix);
    while (last != keys_.end() && last->first.starts_with(prefix))
        ++last;
    keys_.erase(first);
    keys_.erase(keys_.lower_bound(prefix), last);
    return true;
}

std::vector<std::string> RegistryFile::subkeys(std::string_view fullKey) const {
    std::vector<std::string> names;
    auto canon = canonical(fullKey, nullptr);
    if (!canon) return names;
    std::string prefix = *canon + '\\';
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.starts_with(prefix);
         ++it) {
        if (it->first.find('\\', prefix.size()) == std::string::npos)
            names.push_back(it->second.name.substr(prefix.size()));
    }
    return names;
}

const RegistryValue* RegistryFile::findValue(std::string_view fullKey,
                                             std::string_view name) const {
    auto canon = canonical(fullKey, nullptr);
    if (!canon) return nullptr;
    auto key = keys_.find(*canon);
    if (key == keys_.end()) return nullptr;
    for (const auto& v : key->second.values)
        if (equalNoCase(v.name, name)) return &v;
    return nullptr;
}

bool RegistryFile::setValue(std::string_view fullKey, RegistryValue value) {
    std::string display;
    auto canon = canonical(fullKey, &display);
    if (!canon || !writable(value.name)) return false;
    if (value.type == RegistryValue::Type::String && !writable(value.text)) return false;
    Key* key = ensureKey(*canon, display);
    for (auto& v : key->values) {
        if (equalNoCase(v.name, value.name)) {
            value.name = std::move(v.name); // an existing value keeps the case of its name
            v = std::move(value);
            return true;
        }
    }
    key->values.push_back(std::move(value));
    return true;
}

bool RegistryFile::deleteValue(std::string_view fullKey, std::string_view name) {
    auto canon = canonical(fullKey, nullptr);
    if (!canon) return false;
    auto key = keys_.find(*canon);
    if (key == keys_.end()) return false;
    auto& values = key->second.values;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (equalNoCase(it->name, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

std::optional<RegistryFile> RegistryFile::parse(std::string_view text, std::string* error) {
    RegistryFile file;
    Key* current = nullptr;
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    size_t lineNumber = 0;
    auto fail = [&](const char* reason) -> std::optional<RegistryFile> {
        if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + reason;
        return std::nullopt;
    };
    while (!text.empty() || lineNumber == 0) {
        size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == text.npos ? text.size() : end + 1);
        ++lineNumber;
        if (lineNumber == 1) {
            if (line != kHeader) return fail("not a registry file (missing header)");
            continue;
        }
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("expected ']' at the end of the key name");
            std::string_view name = line.substr(1, line.size() - 2);
            if (name.starts_with('-')) return fail("key deletion entries are not supported");
            std::string display;
            auto canon = canonical(name, &display);
            if (!canon) return fail("malformed key name");
            current = file.ensureKey(*canon, display);
            continue;
        }
        if (line.front() != '"' && line.front() != '@') return fail("unexpected text");
        if (current == nullptr) return fail("value outside a key");
        RegistryValue value;
        if (const char* reason = parseValue(line, value)) return fail(reason);
        auto& values = current->values;
        bool replaced = false;
        for (auto& v : values)
            if (equalNoCase(v.name, value.name)) {
                v = std::move(value);
                replaced = true;
                break;
            }
        if (!replaced) values.push_back(std::move(value));
    }
    return file;
}

std::string RegistryFile::serialize() const {
    std::string out(kHeader);
    out.push_back('\n');
    for (const auto& [canon, key] : keys_) {
        out += "\n[";
        out += key.name;
        out += "]\n";
        for (const auto& v : key.values) {
            if (v.name.empty())
                out.push_back('@');
            else
                appendQuoted(out, v.name);
            out.push_back('=');
            if (v.type == RegistryValue::Type::String) {
                appendQuoted(out, v.text);
            } else {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(v.dword));
                out += hex;
            }
            out.push_back('\n');
        }
    }
    return out;
}

} // namespace platform
