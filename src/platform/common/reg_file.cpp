#include "platform/common/reg_file.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace platform::regfile {

namespace {

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

void AppendHex(std::string& out, const std::vector<std::uint8_t>& bytes) {
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", bytes[i]);
        out += buf;
    }
}

// A REG_SZ that can be written as a quoted text: one NUL at the end, none inside, no line break.
bool PlainText(const Registry::Value& v) {
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i)
        if (v.data[i] == 0 || v.data[i] == '\n' || v.data[i] == '\r') return false;
    return true;
}

void WriteValue(std::string& out, const Registry::Value& v) {
    out += v.name.empty() ? std::string("@") : Quote(v.name);
    out += '=';
    if (PlainText(v)) {
        out += Quote(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        char buf[16];
        const std::uint32_t d = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
        std::snprintf(buf, sizeof buf, "dword:%08x", d);
        out += buf;
    } else if (v.type == REG_BINARY) {
        out += "hex:";
        AppendHex(out, v.data);
    } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        out += buf;
        AppendHex(out, v.data);
    }
    out += '\n';
}

void WriteKey(std::string& out, const Registry::Key& key, const std::string& path, bool isRoot) {
    if (!isRoot || !key.values.empty()) {
        out += '[' + path + "]\n";
        for (const auto& [name, value] : key.values) WriteValue(out, value);
        out += '\n';
    }
    for (const auto& [name, sub] : key.subkeys) WriteKey(out, *sub, path + "\\" + sub->name, false);
}

// ---- parsing ------------------------------------------------------------------------------------

// Reads a quoted text at s[pos] (which must be '"'); pos ends after the closing quote.
std::optional<std::string> Unquote(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < s.size()) {
            const char n = s[++pos];
            if (n == 'n')
                out += '\n';
            else if (n == 'r')
                out += '\r';
            else if (n == '\\' || n == '"')
                out += n;
            else
                out.append({'\\', n});
            continue;
        }
        out += c;
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> HexNumber(std::string_view s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    return v;
}

std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view s) {
    std::vector<std::uint8_t> bytes;
    std::size_t pos = 0;
    while (pos < s.size()) {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
        if (pos == s.size()) break;
        const auto comma = s.find(',', pos);
        std::string_view item = s.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
        const auto v = HexNumber(item, 2);
        if (!v) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*v));
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
        if (pos == s.size()) return std::nullopt;  // a dangling comma
    }
    return bytes;
}

std::optional<Registry::Value> ParseValue(std::string_view line) {
    Registry::Value v;
    std::size_t pos = 0;
    if (line.substr(0, 1) == "@") {
        pos = 1;
    } else {
        auto name = Unquote(line, pos);
        if (!name) return std::nullopt;
        v.name = std::move(*name);
    }
    if (pos >= line.size() || line[pos] != '=') return std::nullopt;
    const std::string_view data = line.substr(pos + 1);
    if (!data.empty() && data.front() == '"') {
        std::size_t p = 0;
        auto textValue = Unquote(data, p);
        if (!textValue || p != data.size()) return std::nullopt;
        v.type = REG_SZ;
        v.data.assign(textValue->begin(), textValue->end());
        v.data.push_back(0);
        return v;
    }
    if (data.substr(0, 6) == "dword:") {
        const auto d = HexNumber(data.substr(6), 8);
        if (!d) return std::nullopt;
        v.type = REG_DWORD;
        v.data = {static_cast<std::uint8_t>(*d), static_cast<std::uint8_t>(*d >> 8), static_cast<std::uint8_t>(*d >> 16),
                  static_cast<std::uint8_t>(*d >> 24)};
        return v;
    }
    std::string_view bytes;
    if (data.substr(0, 4) == "hex:") {
        v.type = REG_BINARY;
        bytes = data.substr(4);
    } else if (data.substr(0, 4) == "hex(") {
        const auto close = data.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const auto type = HexNumber(data.substr(4, close - 4), 8);
        if (!type) return std::nullopt;
        v.type = *type;
        bytes = data.substr(close + 2);
    } else {
        return std::nullopt;
    }
    auto parsed = HexBytes(bytes);
    if (!parsed) return std::nullopt;
    v.data = std::move(*parsed);
    return v;
}

// The lines of the text without line ends; a line ending in '\' continues on the next (hex data).
std::vector<std::string> LogicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string pending;
    bool continuing = false;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (continuing) {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
            pending += line;
        } else {
            pending = line;
        }
        // No complete line ends in a backslash (texts end in a quote): it is continued hex data.
        continuing = !pending.empty() && pending.back() == '\\';
        if (continuing) {
            pending.pop_back();
            continue;
        }
        lines.push_back(std::move(pending));
        pending.clear();
    }
    if (continuing) lines.push_back(std::move(pending));
    return lines;
}

}  // namespace

std::string RootName(HKEY root) {
    switch (root) {
        case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
        case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
        case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
        case HKEY_USERS: return "HKEY_USERS";
        case HKEY_DYN_DATA: return "HKEY_DYN_DATA";
        default: return "";
    }
}

std::string Serialize(const Registry::Key& root, std::string_view rootName) {
    std::string out = "REGEDIT4\n\n";
    WriteKey(out, root, std::string(rootName), true);
    return out;
}

bool Parse(std::string_view text, std::string_view rootName, Registry::Key& root) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string> lines = LogicalLines(text);
    std::size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i == lines.size() || lines[i] != "REGEDIT4") return false;

    Registry::Key fresh;
    Registry::Key* current = nullptr;
    for (++i; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.size() < 2 || line.back() != ']') return false;
            const std::string path = line.substr(1, line.size() - 2);
            const auto cut = path.find('\\');
            if (!text::EqualsNoCase(std::string_view(path).substr(0, cut), rootName)) return false;
            current = &fresh;
            if (cut == std::string::npos) continue;
            const auto parts = SplitKeyPath(path.substr(cut + 1));
            if (!parts || parts->empty()) return false;
            for (const auto& part : *parts) {
                auto it = current->subkeys.find(part);
                if (it == current->subkeys.end()) {
                    auto key = std::make_unique<Registry::Key>();
                    key->name = part;
                    it = current->subkeys.emplace(part, std::move(key)).first;
                }
                current = it->second.get();
            }
            continue;
        }
        if (!current) return false;
        auto value = ParseValue(line);
        if (!value) return false;
        const std::string name = value->name;
        current->values.insert_or_assign(name, std::move(*value));
    }
    root.values = std::move(fresh.values);
    root.subkeys = std::move(fresh.subkeys);
    return true;
}

}  // namespace platform::regfile
