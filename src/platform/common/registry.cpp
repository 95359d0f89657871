#include "platform/common/registry.h"

#include <cstring>

namespace platform {

std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path) {
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    std::string_view rest = path;
    if (rest.back() == '\\') rest.remove_suffix(1);
    for (;;) {
        const auto cut = rest.find('\\');
        const std::string_view part = rest.substr(0, cut);
        if (part.empty()) return std::nullopt;
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;  // key names are printable
        parts.emplace_back(part);
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    return parts;
}

namespace {

// Appends in place: building the path of a deeply nested key stays linear in its length.
void AppendPath(std::string& base, const std::string& part) {
    if (!base.empty()) base += '\\';
    base += part;
}

}  // namespace

Registry::Key::~Key() {
    std::vector<std::unique_ptr<Key>> pending;
    const auto takeChildren = [&pending](Key& key) {
        for (auto& [name, sub] : key.subkeys) pending.push_back(std::move(sub));
        key.subkeys.clear();
    };
    takeChildren(*this);
    while (!pending.empty()) {
        std::unique_ptr<Key> key = std::move(pending.back());
        pending.pop_back();
        takeChildren(*key);
    }
}

Registry::Registry() {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS})
        roots_[root] = std::make_unique<Key>();
}

Registry::Key* Registry::Root(HKEY root) {
    const auto it = roots_.find(root);
    return it == roots_.end() ? nullptr : it->second.get();
}

const Registry::Key* Registry::Find(HKEY root, const std::string& path) const {
    const auto it = roots_.find(root);
    const auto parts = SplitKeyPath(path);
    if (it == roots_.end() || !parts) return nullptr;
    const Key* key = it->second.get();
    for (const auto& part : *parts) {
        const auto sub = key->subkeys.find(part);
        if (sub == key->subkeys.end()) return nullptr;
        key = sub->second.get();
    }
    return key;
}

void Registry::SetDynamicRoot(HKEY root, DynamicSource* source) {
    if (source)
        dynamic_[root] = source;
    else
        dynamic_.erase(root);
}

std::optional<Registry::Handle> Registry::Resolve(HKEY key) const {
    if (const auto d = dynamic_.find(key); d != dynamic_.end()) return Handle{key, nullptr, ""};
    if (const auto r = roots_.find(key); r != roots_.end()) return Handle{key, r->second.get(), ""};
    if (const auto h = handles_.find(key); h != handles_.end()) return h->second;
    return std::nullopt;
}

HKEY Registry::NewHandle(Handle h) {
    const HKEY id = nextHandle_;
    nextHandle_ += 4;
    handles_[id] = std::move(h);
    return id;
}

void Registry::Notify(const Handle& h, const std::string& valueName, bool deleted, const Value* value) {
    if (onChange) onChange(Change{h.root, h.path, valueName, deleted, value});
}

long Registry::OpenKey(HKEY root, const std::string& subKey, HKEY& result) {
    result = 0;
    const auto base = Resolve(root);
    if (!base) return ERROR_INVALID_HANDLE;
    const auto parts = SplitKeyPath(subKey);
    if (!parts) return ERROR_BADKEY;
    Handle h = *base;
    if (!h.key) {
        for (const auto& part : *parts) AppendPath(h.path, part);
        if (!dynamic_.at(h.root)->KeyExists(h.path)) return ERROR_FILE_NOT_FOUND;
    } else {
        for (const auto& part : *parts) {
            const auto it = h.key->subkeys.find(part);
            if (it == h.key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
            h.key = it->second.get();
            AppendPath(h.path, h.key->name);
        }
    }
    result = NewHandle(std::move(h));
    return ERROR_SUCCESS;
}

long Registry::CreateKey(HKEY root, const std::string& subKey, HKEY& result, std::uint32_t* disposition) {
    result = 0;
    const auto base = Resolve(root);
    if (!base) return ERROR_INVALID_HANDLE;
    if (!base->key) {
        // Live counters cannot be created; an existing one is simply opened.
        const long rc = OpenKey(root, subKey, result);
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_ACCESS_DENIED;
        if (rc == ERROR_SUCCESS && disposition) *disposition = REG_OPENED_EXISTING_KEY;
        return rc;
    }
    const auto parts = SplitKeyPath(subKey);
    if (!parts) return ERROR_BADKEY;
    Handle h = *base;
    bool created = false;
    for (const auto& part : *parts) {
        auto it = h.key->subkeys.find(part);
        if (it == h.key->subkeys.end()) {
            auto key = std::make_unique<Key>();
            key->name = part;
            it = h.key->subkeys.emplace(part, std::move(key)).first;
            created = true;
        }
        h.key = it->second.get();
        AppendPath(h.path, h.key->name);
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    if (created) Notify(h, "", false, nullptr);
    result = NewHandle(std::move(h));
    return ERROR_SUCCESS;
}

long Registry::QueryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) {
    const auto h = Resolve(key);
    if (!h) return ERROR_INVALID_HANDLE;
    if (data && !size) return ERROR_INVALID_PARAMETER;

    std::uint32_t foundType = REG_NONE;
    const std::vector<std::uint8_t>* bytes = nullptr;
    std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> live;
    if (!h->key) {
        live = dynamic_.at(h->root)->Read(h->path, valueName);
        if (!live) return ERROR_FILE_NOT_FOUND;
        foundType = live->first;
        bytes = &live->second;
    } else {
        const auto it = h->key->values.find(valueName);
        if (it == h->key->values.end()) return ERROR_FILE_NOT_FOUND;
        foundType = it->second.type;
        bytes = &it->second.data;
    }

    if (type) *type = foundType;
    const auto needed = static_cast<std::uint32_t>(bytes->size());
    if (!data) {
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, bytes->data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

long Registry::SetValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) {
    const auto h = Resolve(key);
    if (!h) return ERROR_INVALID_HANDLE;
    if (!h->key) return ERROR_ACCESS_DENIED;
    if (!data && size) return ERROR_INVALID_PARAMETER;
    auto it = h->key->values.find(valueName);
    // A value set to what it already holds is no change.
    if (it != h->key->values.end() && it->second.type == type && it->second.data.size() == size &&
        (size == 0 || std::memcmp(it->second.data.data(), data, size) == 0))
        return ERROR_SUCCESS;
    if (it == h->key->values.end()) it = h->key->values.emplace(valueName, Value{valueName, type, {}}).first;
    it->second.type = type;
    it->second.data.assign(data, data + size);
    Notify(*h, it->second.name, false, &it->second);
    return ERROR_SUCCESS;
}

long Registry::DeleteValue(HKEY key, const std::string& valueName) {
    const auto h = Resolve(key);
    if (!h) return ERROR_INVALID_HANDLE;
    if (!h->key) return ERROR_ACCESS_DENIED;
    const auto it = h->key->values.find(valueName);
    if (it == h->key->values.end()) return ERROR_FILE_NOT_FOUND;
    const std::string name = it->second.name;
    h->key->values.erase(it);
    Notify(*h, name, true, nullptr);
    return ERROR_SUCCESS;
}

std::optional<std::pair<HKEY, std::string>> Registry::KeyPathOf(HKEY key) const {
    const auto h = Resolve(key);
    if (!h) return std::nullopt;
    return std::make_pair(h->root, h->path);
}

long Registry::CloseKey(HKEY key) {
    if (handles_.erase(key)) return ERROR_SUCCESS;
    if (roots_.count(key) || dynamic_.count(key)) return ERROR_SUCCESS;  // predefined roots stay open
    return ERROR_INVALID_HANDLE;
}

}  // namespace platform
