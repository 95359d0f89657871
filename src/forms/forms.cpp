#include "forms/forms.h"

#include <algorithm>
#include <stdexcept>

namespace forms {

namespace {
std::string WithIndex(const std::string& name, int index) {
    return index < 0 ? name : name + "(" + std::to_string(index) + ")";
}
}  // namespace

// ---- Control ------------------------------------------------------------------------------------

Control::Control(Form& form, Kind kind, std::string name, int index, Control* container)
    : form_(form), kind_(kind), name_(std::move(name)), index_(index), container_(container) {
    switch (kind_) {
    case Kind::TextBox:
    case Kind::ListBox:
    case Kind::ComboBox:
    case Kind::DriveListBox:
    case Kind::DirListBox:
    case Kind::FileListBox:
        backColor_ = RGB(0xFF, 0xFF, 0xFF);
        borderStyle_ = 1;
        break;
    case Kind::Timer:
        visible_ = false;
        break;
    case Kind::Shape:
    case Kind::Line:
        backStyle_ = 0;
        break;
    default:
        break;
    }
}

std::string Control::displayName() const { return WithIndex(name_, index_); }

void Control::notify(Prop p) { form_.notifyControl(*this, p); }

void Control::raise(const std::function<void()>& handler) const {
    // A copy, so that a handler may replace itself (or its neighbours) while it runs.
    auto h = handler;
    if (h) h();
}

void Control::setLeft(int v) {
    if (left_ == v) return;
    left_ = v;
    notify(Prop::Geometry);
}
void Control::setTop(int v) {
    if (top_ == v) return;
    top_ = v;
    notify(Prop::Geometry);
}
void Control::setWidth(int v) {
    if (width_ == v) return;
    width_ = v;
    notify(Prop::Geometry);
}
void Control::setHeight(int v) {
    if (height_ == v) return;
    height_ = v;
    notify(Prop::Geometry);
}
void Control::move(int left, int top, int width, int height) {
    if (left_ == left && top_ == top && width_ == width && height_ == height) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    notify(Prop::Geometry);
}
void Control::setLine(int x1, int y1, int x2, int y2) { move(x1, y1, x2, y2); }
void Control::setY1(int v) { setTop(v); }
void Control::setY2(int v) { setHeight(v); }

void Control::setCaption(const std::string& v) {
    if (caption_ == v) return;
    caption_ = v;
    notify(Prop::Caption);
}

const std::string& Control::text() const {
    if ((kind_ == Kind::ComboBox || kind_ == Kind::ListBox) && listIndex_ >= 0) return items_[listIndex_];
    return text_;
}

void Control::setText(const std::string& v) {
    if (kind_ == Kind::ComboBox || kind_ == Kind::ListBox) {
        // A drop-down list shows only its items: the text selects the item that carries it.
        auto it = std::find(items_.begin(), items_.end(), v);
        if (it != items_.end()) {
            setListIndex(static_cast<int>(it - items_.begin()));
            return;
        }
        text_ = v;
        notify(Prop::Text);
        return;
    }
    if (text_ == v) return;
    text_ = v;
    notify(Prop::Text);
    if (kind_ == Kind::TextBox) raise(Change);
}

bool Control::setValue(int v) {
    if (kind_ == Kind::VScrollBar) {
        const int lo = std::min(min_, max_);
        const int hi = std::max(min_, max_);
        if (v < lo || v > hi) return false;
    }
    if (value_ == v) return true;
    value_ = v;
    notify(Prop::Value);
    if (kind_ == Kind::CheckBox) raise(Click);
    else if (kind_ == Kind::VScrollBar) raise(Change);
    return true;
}

void Control::setEnabled(bool v) {
    if (enabled_ == v) return;
    enabled_ = v;
    notify(Prop::Enabled);
}
void Control::setVisible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    notify(Prop::Visible);
}

void Control::setBackColor(Color c) {
    if (backColor_ == c) return;
    backColor_ = c;
    notify(Prop::Colors);
}
void Control::setForeColor(Color c) {
    if (foreColor_ == c) return;
    foreColor_ = c;
    notify(Prop::Colors);
}
void Control::setBorderColor(Color c) {
    if (borderColor_ == c) return;
    borderColor_ = c;
    notify(Prop::Colors);
}
void Control::setFillColor(Color c) {
    if (fillColor_ == c) return;
    fillColor_ = c;
    notify(Prop::Colors);
}
void Control::setBackStyle(int v) {
    if (backStyle_ == v) return;
    backStyle_ = v;
    notify(Prop::Colors);
}
void Control::setFillStyle(int v) {
    if (fillStyle_ == v) return;
    fillStyle_ = v;
    notify(Prop::Colors);
}

void Control::setFont(const Font& f) {
    if (font_ == f) return;
    font_ = f;
    notify(Prop::Font);
}

void Control::setStyle(int v) {
    if (style_ == v) return;
    style_ = v;
    notify(Prop::Style);
}
void Control::setAlignment(int v) {
    if (alignment_ == v) return;
    alignment_ = v;
    notify(Prop::Style);
}
void Control::setBorderStyle(int v) {
    if (borderStyle_ == v) return;
    borderStyle_ = v;
    notify(Prop::Style);
}

void Control::setMin(int v) {
    if (min_ == v) return;
    min_ = v;
    notify(Prop::Range);
}
void Control::setMax(int v) {
    if (max_ == v) return;
    max_ = v;
    notify(Prop::Range);
}
void Control::setSmallChange(int v) {
    if (smallChange_ == v) return;
    smallChange_ = v;
    notify(Prop::Range);
}
void Control::setLargeChange(int v) {
    if (largeChange_ == v) return;
    largeChange_ = v;
    notify(Prop::Range);
}

const std::string& Control::list(int i) const {
    static const std::string empty;
    if (i < 0 || i >= listCount()) return empty;
    return items_[i];
}
void Control::addItem(const std::string& item) {
    items_.push_back(item);
    notify(Prop::Items);
}
void Control::removeItem(int i) {
    if (i < 0 || i >= listCount()) return;
    items_.erase(items_.begin() + i);
    if (listIndex_ == i) listIndex_ = -1;
    else if (listIndex_ > i) --listIndex_;
    notify(Prop::Items);
}
void Control::clear() {
    if (items_.empty() && listIndex_ == -1) return;
    items_.clear();
    listIndex_ = -1;
    notify(Prop::Items);
}
void Control::setListIndex(int i) {
    if (i < -1 || i >= listCount()) return;
    const bool changed = listIndex_ != i;
    listIndex_ = i;
    if (changed) notify(Prop::ListIndex);
    // Selecting an item raises Click, also when it was selected already.
    if (i >= 0) raise(Click);
}

void Control::setHorizontalExtent(int pixels) {
    if (horizontalExtent_ == pixels) return;
    horizontalExtent_ = pixels;
    notify(Prop::Range);
}

void Control::setInterval(int ms) {
    interval_ = ms;
    notify(Prop::Interval);
}

void Control::cls() {
    printed_.clear();
    currentX_ = 0;
    currentY_ = 0;
    notify(Prop::Graphics);
}
void Control::print(const std::string& text) {
    printed_.push_back({currentX_, currentY_, text});
    notify(Prop::Graphics);
}

void Control::setPicture(const Picture& p) {
    if (picture_ == p) return;
    picture_ = p;
    notify(Prop::Picture);
}

void Control::setPath(const std::string& p) {
    if (path_ == p) return;
    path_ = p;
    notify(Prop::Path);
    raise(Change);
}
void Control::setPattern(const std::string& p) {
    if (pattern_ == p) return;
    pattern_ = p;
    notify(Prop::Path);
}

void Control::userClick() {
    if (!enabled_) return;
    if (kind_ == Kind::CheckBox) {
        setValue(value_ == vbChecked ? vbUnchecked : vbChecked);
        return;
    }
    raise(Click);
}
void Control::userDblClick() {
    if (enabled_) raise(DblClick);
}
void Control::fireTimer() {
    if (kind_ == Kind::Timer && enabled_ && interval_ > 0) raise(Timer);
}

// ---- MenuItem -----------------------------------------------------------------------------------

MenuItem::MenuItem(Form& form, MenuItem* parent, std::string name, int index, std::string caption)
    : form_(form), parent_(parent), name_(std::move(name)), index_(index), caption_(std::move(caption)) {}

std::string MenuItem::displayName() const { return WithIndex(name_, index_); }

void MenuItem::notify(Prop p) { form_.notifyMenu(*this, p); }

void MenuItem::setCaption(const std::string& v) {
    if (caption_ == v) return;
    caption_ = v;
    notify(Prop::Caption);
}
void MenuItem::setChecked(bool v) {
    if (checked_ == v) return;
    checked_ = v;
    notify(Prop::Checked);
}
void MenuItem::setEnabled(bool v) {
    if (enabled_ == v) return;
    enabled_ = v;
    notify(Prop::Enabled);
}
void MenuItem::setVisible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    notify(Prop::Visible);
}

MenuItem& MenuItem::add(const std::string& name, const std::string& caption, int index) {
    children_.push_back(std::make_unique<MenuItem>(form_, this, name, index, caption));
    MenuItem& item = *children_.back();
    form_.notifyMenuAdded(item);
    return item;
}

MenuItem& MenuItem::loadArrayItem(int index) {
    if (!parent_) throw std::logic_error("the menu root is not part of an array");
    auto& siblings = parent_->children_;
    auto last = siblings.end();
    for (auto it = siblings.begin(); it != siblings.end(); ++it) {
        if ((*it)->name_ == name_) {
            if ((*it)->index_ == index) throw std::invalid_argument("menu item " + WithIndex(name_, index) + " already exists");
            last = it;
        }
    }
    auto item = std::make_unique<MenuItem>(form_, parent_, name_, index, caption_);
    MenuItem& ref = *item;
    siblings.insert(last + 1, std::move(item));
    form_.notifyMenuAdded(ref);
    return ref;
}

void MenuItem::userClick() {
    if (!enabled_ || !visible_ || isSeparator()) return;
    auto h = Click;
    if (h) h();
}

// ---- Form ---------------------------------------------------------------------------------------

Form::Form(Application& app, std::string name)
    : app_(app), name_(std::move(name)), menuRoot_(std::make_unique<MenuItem>(*this, nullptr, "", -1, "")) {
    app_.registerForm(this);
}

Form::~Form() {
    if (app_.observer()) app_.observer()->formDestroyed(*this);
    app_.unregisterForm(this);
}

void Form::notify(Prop p) {
    if (loaded_ && app_.observer()) app_.observer()->formChanged(*this, p);
}
void Form::notifyControl(Control& c, Prop p) {
    if (loaded_ && app_.observer()) app_.observer()->controlChanged(c, p);
}
void Form::notifyMenu(MenuItem& m, Prop p) {
    if (loaded_ && app_.observer()) app_.observer()->menuChanged(m, p);
}
void Form::notifyMenuAdded(MenuItem& m) {
    if (loaded_ && app_.observer()) app_.observer()->menuAdded(m);
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    if (app_.observer()) app_.observer()->formLoaded(*this);
    Form_Load();
}

void Form::setVisibleInternal(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    notify(Prop::Visible);
}

void Form::Show(bool modal) {
    Load();
    if (!loaded_) return;  // Form_Load may have unloaded it again
    setVisibleInternal(true);
    activate();
    if (modal && !modal_) {
        modal_ = true;
        if (app_.runModal) app_.runModal(*this);
        modal_ = false;
    }
}

void Form::Hide() { setVisibleInternal(false); }

void Form::activate() {
    if (loaded_ && visible_) Form_Activate();
}

void Form::Unload(int unloadMode) {
    if (!loaded_) return;
    int cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel || !loaded_) return;
    Form_Unload(cancel);
    if (cancel || !loaded_) return;
    setVisibleInternal(false);
    loaded_ = false;
    modal_ = false;
    if (app_.observer()) app_.observer()->formUnloaded(*this);
}

void Form::setCaption(const std::string& v) {
    if (caption_ == v) return;
    caption_ = v;
    notify(Prop::Caption);
}
void Form::setLeft(int v) { move(v, top_, width_, height_); }
void Form::setTop(int v) { move(left_, v, width_, height_); }
void Form::setWidth(int v) { move(left_, top_, v, height_); }
void Form::setHeight(int v) { move(left_, top_, width_, v); }
void Form::move(int left, int top) { move(left, top, width_, height_); }
void Form::move(int left, int top, int width, int height) {
    if (left_ == left && top_ == top && width_ == width && height_ == height) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    notify(Prop::Geometry);
}
void Form::setEnabled(bool v) {
    if (enabled_ == v) return;
    enabled_ = v;
    notify(Prop::Enabled);
}
void Form::setIcon(const Picture& p) {
    if (icon_ == p) return;
    icon_ = p;
    notify(Prop::Icon);
}
void Form::setBackColor(Color c) {
    if (backColor_ == c) return;
    backColor_ = c;
    notify(Prop::Colors);
}
void Form::setFont(const Font& f) {
    if (font_ == f) return;
    font_ = f;
    notify(Prop::Font);
}
void Form::setBorderStyle(int v) {
    if (borderStyle_ == v) return;
    borderStyle_ = v;
    notify(Prop::Style);
}
void Form::setShowInTaskbar(bool v) {
    if (showInTaskbar_ == v) return;
    showInTaskbar_ = v;
    notify(Prop::Style);
}

Control& Form::add(Kind kind, const std::string& name, int index, Control* container) {
    if (find(name, index)) throw std::invalid_argument("control " + WithIndex(name, index) + " already exists");
    controls_.push_back(std::make_unique<Control>(*this, kind, name, index, container));
    Control& c = *controls_.back();
    // Controls inherit the form's font, as the toolkit does at design time.
    c.setFont(font_);
    if (loaded_ && app_.observer()) app_.observer()->controlAdded(c);
    return c;
}

Control* Form::find(const std::string& name, int index) const {
    for (const auto& c : controls_)
        if (c->index() == index && c->name() == name) return c.get();
    return nullptr;
}

Control& Form::control(const std::string& name, int index) const {
    if (Control* c = find(name, index)) return *c;
    throw std::out_of_range("no control " + WithIndex(name, index) + " on " + name_);
}

namespace {
MenuItem* FindMenuIn(const MenuItem& item, const std::string& name, int index) {
    for (const auto& child : item.children()) {
        if (child->name() == name && child->index() == index) return child.get();
        if (MenuItem* m = FindMenuIn(*child, name, index)) return m;
    }
    return nullptr;
}
}  // namespace

MenuItem* Form::findMenu(const std::string& name, int index) const { return FindMenuIn(*menuRoot_, name, index); }

MenuItem& Form::menu(const std::string& name, int index) const {
    if (MenuItem* m = findMenu(name, index)) return *m;
    throw std::out_of_range("no menu item " + WithIndex(name, index) + " on " + name_);
}

// ---- Application --------------------------------------------------------------------------------

bool Application::anyLoaded() const {
    return std::any_of(forms_.begin(), forms_.end(), [](const Form* f) { return f->loaded(); });
}
void Application::registerForm(Form* f) { forms_.push_back(f); }
void Application::unregisterForm(Form* f) { std::erase(forms_, f); }

}  // namespace forms
