// A control array: controls that share a name and one event handler, told apart by their index.
#pragma once

#include <map>
#include <stdexcept>
#include <string>

#include "forms/forms.h"

namespace tarnolux {

class ControlArray {
public:
    ControlArray(forms::Form& form, forms::Kind kind, std::string name)
        : form_(form), kind_(kind), name_(std::move(name)) {}

    forms::Control& add(int index, forms::Control* container) {
        forms::Control& c = form_.add(kind_, name_, index, container);
        items_[index] = &c;
        return c;
    }
    forms::Control& operator()(int index) const {
        auto it = items_.find(index);
        if (it == items_.end()) throw std::out_of_range(name_ + "(" + std::to_string(index) + ") does not exist");
        return *it->second;
    }
    bool exists(int index) const { return items_.count(index) != 0; }
    const std::map<int, forms::Control*>& items() const { return items_; }
    const std::string& name() const { return name_; }

private:
    forms::Form& form_;
    forms::Kind kind_;
    std::string name_;
    std::map<int, forms::Control*> items_;
};

class MenuArray {
public:
    explicit MenuArray(std::string name) : name_(std::move(name)) {}
    forms::MenuItem& add(forms::MenuItem& parent, int index, const std::string& caption) {
        forms::MenuItem& m = items_.empty() ? parent.add(name_, caption, index)
                                            : items_.rbegin()->second->loadArrayItem(index);
        m.setCaption(caption);
        items_[index] = &m;
        return m;
    }
    forms::MenuItem& operator()(int index) const {
        auto it = items_.find(index);
        if (it == items_.end()) throw std::out_of_range(name_ + "(" + std::to_string(index) + ") does not exist");
        return *it->second;
    }
    bool exists(int index) const { return items_.count(index) != 0; }
    int count() const { return static_cast<int>(items_.size()); }
    const std::map<int, forms::MenuItem*>& items() const { return items_; }

private:
    std::string name_;
    std::map<int, forms::MenuItem*> items_;
};

}  // namespace tarnolux
