// An in-memory registry with the Win32 calling conventions: a tree of keys per predefined root, key
// and value names that compare without regard to case but keep the spelling they were created with,
// typed values held as the exact bytes the caller gave (a REG_SZ keeps its terminating NUL), and a
// table of open handles. Roots can be served by a DynamicSource instead (live counters).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/text.h"
#include "platform/system.h"

namespace platform {

// A read-only root whose keys and values are computed when asked for.
class DynamicSource {
public:
    virtual ~DynamicSource() = default;
    // `path` is the key path below the root as the caller spelled it, without leading or trailing
    // separators ("" is the root itself).
    virtual bool KeyExists(const std::string& path) = 0;
    // The value's type and bytes; nothing when it does not exist.
    virtual std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> Read(const std::string& path,
                                                                                     const std::string& valueName) = 0;
};

class Registry {
public:
    struct Value {
        std::string name;  // spelling at creation
        std::uint32_t type = REG_NONE;
        std::vector<std::uint8_t> data;
    };
    struct Key {
        std::string name;  // spelling at creation; "" for a root
        std::map<std::string, std::unique_ptr<Key>, text::LessNoCase> subkeys;
        std::map<std::string, Value, text::LessNoCase> values;

        Key() = default;
        Key(const Key&) = delete;
        Key& operator=(const Key&) = delete;
        // Takes the tree apart without recursion: a hive may nest keys thousands deep.
        ~Key();
    };

    Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The calls of the System interface, with the same results.
    long OpenKey(HKEY root, const std::string& subKey, HKEY& result);
    long CreateKey(HKEY root, const std::string& subKey, HKEY& result, std::uint32_t* disposition);
    long QueryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size);
    long SetValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size);
    long DeleteValue(HKEY key, const std::string& valueName);
    long CloseKey(HKEY key);

    // Serves `root` from `source` (not owned; must outlive the registry). Such a root is read-only:
    // creating an existing key opens it, everything else that would change it is refused.
    void SetDynamicRoot(HKEY root, DynamicSource* source);

    // Called after every successful change (a value set to what it holds is none) with the predefined root whose tree changed and, for a
    // value, the key path (as stored) and value name; used to persist hives and to mirror entries.
    struct Change {
        HKEY root = 0;
        std::string keyPath;  // "A\B\C", as spelled in the tree
        std::string valueName;
        bool deleted = false;           // the value was deleted
        const Value* value = nullptr;   // the value after the change (null when deleted or a key)
    };
    std::function<void(const Change&)> onChange;

    // The tree of a persistent root (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
    // HKEY_USERS); null for any other. Replace a tree's contents through it (e.g. when loading).
    Key* Root(HKEY root);
    // The key at `path` below `root`, or null.
    const Key* Find(HKEY root, const std::string& path) const;
    // The root and the key path below it (as spelled in the tree) that a handle stands for.
    std::optional<std::pair<HKEY, std::string>> KeyPathOf(HKEY key) const;
    // Number of handles open now (leak checks in tests).
    std::size_t OpenHandles() const { return handles_.size(); }

private:
    struct Handle {
        HKEY root = 0;
        Key* key = nullptr;     // null for a dynamic key
        std::string path;       // key path below the root
    };
    std::optional<Handle> Resolve(HKEY key) const;
    HKEY NewHandle(Handle h);
    void Notify(const Handle& h, const std::string& valueName, bool deleted, const Value* value);

    std::map<HKEY, std::unique_ptr<Key>> roots_;
    std::map<HKEY, DynamicSource*> dynamic_;
    std::map<HKEY, Handle> handles_;
    HKEY nextHandle_ = 0x1000;
};

// Splits a key path at '\'. A trailing separator is tolerated; a leading one, an empty component
// or a control character makes the path invalid (nothing).
std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path);

}  // namespace platform
