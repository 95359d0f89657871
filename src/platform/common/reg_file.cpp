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

// Depth first, without recursion. A key that holds no value but has subkeys is not written: the
// headers of its subkeys create it. So a deeply nested chain costs one header, not one per level,
// and the text stays linear in the size of the tree.
void WriteTree(std::string& out, const Registry::Key& root, std::string path) {
    using Iterator = decltype(root.subkeys.cbegin());
    struct Frame {
        const Registry::Key* key;
        Iterator next;
        std::size_t pathLength;
    };
    const auto writeKey = [&out](const Registry::Key& key, const std::string& keyPath) {
        out += '[';
        out += keyPath;
        out += "]\n";
        for (const auto& [name, value] : key.values) WriteValue(out, value);
        out += '\n';
    };
    if (!root.values.empty()) writeKey(root, path);
    std::vector<Frame> stack{{&root, root.subkeys.cbegin(), path.size()}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.key->subkeys.cend()) {
            stack.pop_back();
            continue;
        }
        const Registry::Key& sub = *top.next->second;
        ++top.next;
        path.resize(top.pathLength);
        path += '\\';
        path += sub.name;
        if (!sub.values.empty() || sub.subkeys.empty()) writeKey(sub, path);
        stack.push_back({&sub, sub.subkeys.cbegin(), path.size()});
    }
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

// UTF-16LE (without its byte-order mark) as UTF-8; nothing for an odd length or a lone surrogate.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
    if (bytes.size() % 2) return std::nullopt;
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    const auto unit = [&bytes](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xDC00 && cp <= 0xDFFF) return std::nullopt;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 2 >= bytes.size()) return std::nullopt;
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// Value types whose bytes are text: in a Unicode export they are UTF-16LE, here UTF-8.
bool IsTextType(std::uint32_t type) { return type == REG_SZ || type == 2 /* expandable */ || type == 7 /* multi */; }

// One "name"=data line. `deleted` is set, and nothing returned, for the removal line "name"=-.
std::optional<Registry::Value> ParseValue(std::string_view line, bool unicode, bool& deleted) {
    deleted = false;
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
    if (data == "-") {
        deleted = true;
        return std::nullopt;
    }
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
    if (unicode && IsTextType(v.type)) {
        // Texts are UTF-8 here; bytes that are not UTF-16 are kept as they are.
        const std::string_view raw(reinterpret_cast<const char*>(v.data.data()), v.data.size());
        if (auto utf8 = Utf16LeToUtf8(raw)) v.data.assign(utf8->begin(), utf8->end());
    }
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
    WriteTree(out, root, std::string(rootName));
    return out;
}

bool Parse(std::string_view text, std::string_view rootName, Registry::Key& root) {
    // Windows's own editor exports "Unicode": UTF-16LE with its byte-order mark.
    std::string decoded;
    if (text.substr(0, 2) == "\xFF\xFE") {
        auto utf8 = Utf16LeToUtf8(text.substr(2));
        if (!utf8) return false;
        decoded = std::move(*utf8);
        text = decoded;
    } else if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    const std::vector<std::string> lines = LogicalLines(text);
    std::size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i == lines.size()) return false;
    bool unicode = false;
    if (lines[i] == "Windows Registry Editor Version 5.00")
        unicode = true;
    else if (lines[i] != "REGEDIT4")
        return false;

    Registry::Key fresh;
    Registry::Key* current = nullptr;
    bool inRemovedKey = false;  // values below a "[-key]" line belong to nothing
    for (++i; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.size() < 2 || line.back() != ']') return false;
            const bool removal = line[1] == '-';
            const std::string path = line.substr(removal ? 2 : 1, line.size() - (removal ? 3 : 2));
            const auto cut = path.find('\\');
            if (!text::EqualsNoCase(std::string_view(path).substr(0, cut), rootName)) return false;
            current = &fresh;
            inRemovedKey = removal;
            if (cut == std::string::npos) {
                if (removal) return false;  // the whole root cannot be removed
                continue;
            }
            const auto parts = SplitKeyPath(path.substr(cut + 1));
            if (!parts || parts->empty()) return false;
            if (removal) {
                for (std::size_t k = 0; current && k + 1 < parts->size(); ++k) {
                    const auto it = current->subkeys.find((*parts)[k]);
                    current = it == current->subkeys.end() ? nullptr : it->second.get();
                }
                if (current) current->subkeys.erase(parts->back());
                current = nullptr;
                continue;
            }
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
        if (!current && !inRemovedKey) return false;
        bool removed = false;
        auto value = ParseValue(line, unicode, removed);
        if (!value && !removed) return false;
        if (!current) continue;
        if (removed) {
            std::size_t pos = 0;
            const auto name = line.front() == '@' ? std::optional<std::string>("") : Unquote(line, pos);
            if (name) current->values.erase(*name);
            continue;
        }
        const std::string name = value->name;
        current->values.insert_or_assign(name, std::move(*value));
    }
    root.values = std::move(fresh.values);
    root.subkeys = std::move(fresh.subkeys);
    return true;
}

}  // namespace platform::regfile
