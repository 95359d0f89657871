// A model of the forms toolkit the program is written against, with no windowing system behind it.
// Controls keep their geometry in twips, their captions, values, colours and Tag; forms keep their
// controls in creation order, reachable by name and index; menus are trees. Changing a value from
// code raises the control's event at once, nested in the running handler, exactly like a change by
// the user. A host (Qt, or the scripted one of the tests) observes the model and mirrors it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace forms {

// Colours as the toolkit stores them: red in the low byte, then green, then blue.
using Color = std::uint32_t;
constexpr Color RGB(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

enum class Kind {
    Label,
    CheckBox,
    TextBox,
    VScrollBar,
    ListBox,
    ComboBox,
    DriveListBox,
    DirListBox,
    FileListBox,
    Shape,
    Line,
    PictureBox,
    Image,
    Frame,
    CommandButton,
    Timer,
};

// What changed, for observers.
enum class Prop {
    Geometry,   // Left/Top/Width/Height, or a line's end points
    Caption,
    Text,
    Value,
    Enabled,
    Visible,
    Colors,     // BackColor, ForeColor, BorderColor, FillColor
    Font,
    Range,      // Min/Max/SmallChange/LargeChange
    Items,      // list contents
    ListIndex,
    Interval,   // a timer's interval
    Graphics,   // a picture box's printed text
    Picture,
    Style,      // check-box style, border style, alignment, ...
    Icon,
    Checked,    // menu items
    Default,    // menu items
    Path,       // drive/folder/file lists
};

struct Font {
    std::string name = "MS Sans Serif";
    double size = 8.25;
    bool bold = false;
    bool italic = false;
    bool operator==(const Font&) const = default;
};

// A picture is a program icon resource, by number, or an image file.
struct Picture {
    int resource = 0;
    std::string file;
    bool empty() const { return resource == 0 && file.empty(); }
    bool operator==(const Picture&) const = default;
};

// Text printed into a picture box at a position in twips.
struct PrintedText {
    int x = 0;
    int y = 0;
    std::string text;
    bool operator==(const PrintedText&) const = default;
};

// Values of a check box.
inline constexpr int vbUnchecked = 0;
inline constexpr int vbChecked = 1;
inline constexpr int vbGrayed = 2;

// Mouse buttons.
inline constexpr int vbLeftButton = 1;
inline constexpr int vbRightButton = 2;

class Form;
class Control;
class MenuItem;
class Application;

// Mirrors the model: told after every change, never asked.
class Observer {
public:
    virtual ~Observer() = default;
    virtual void formLoaded(Form&) {}
    virtual void formUnloaded(Form&) {}
    // The form is going away; whatever still refers to it or its controls must let go now.
    virtual void formDestroyed(Form&) {}
    virtual void formChanged(Form&, Prop) {}
    virtual void controlAdded(Control&) {}
    virtual void controlChanged(Control&, Prop) {}
    virtual void menuAdded(MenuItem&) {}
    virtual void menuChanged(MenuItem&, Prop) {}
};

class Control {
public:
    Control(Form& form, Kind kind, std::string name, int index, Control* container);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Form& form() const { return form_; }
    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }  // -1 when not part of a control array
    Control* container() const { return container_; }  // null: directly on the form
    std::string displayName() const;  // "Check1(3)" or "Label20"

    // Geometry in twips, relative to the container.
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void move(int left, int top, int width, int height);
    // Lines: end points in twips.
    int x1() const { return left_; }
    int y1() const { return top_; }
    int x2() const { return width_; }
    int y2() const { return height_; }
    void setLine(int x1, int y1, int x2, int y2);
    void setY1(int v);
    void setY2(int v);

    // Caption (labels, check boxes, frames, buttons).
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& v);

    // Text (text boxes; a combo box's selected text). Setting it raises Change.
    const std::string& text() const;
    void setText(const std::string& v);

    // Value: a check box's state (raises Click when it changes) or a scroll bar's position (raises
    // Change when it changes). A scroll bar refuses a value outside Min..Max: the result is false and
    // nothing changes, where the toolkit would raise "invalid property value".
    int value() const { return value_; }
    bool setValue(int v);

    bool enabled() const { return enabled_; }
    void setEnabled(bool v);
    bool visible() const { return visible_; }
    void setVisible(bool v);

    const std::string& tag() const { return tag_; }
    void setTag(const std::string& v) { tag_ = v; }

    Color backColor() const { return backColor_; }
    Color foreColor() const { return foreColor_; }
    Color borderColor() const { return borderColor_; }
    Color fillColor() const { return fillColor_; }
    void setBackColor(Color c);
    void setForeColor(Color c);
    void setBorderColor(Color c);
    void setFillColor(Color c);
    // Shapes and lines: 0 transparent, 1 opaque.
    int backStyle() const { return backStyle_; }
    void setBackStyle(int v);
    // Shapes: 0 solid, 1 transparent.
    int fillStyle() const { return fillStyle_; }
    void setFillStyle(int v);

    const Font& font() const { return font_; }
    void setFont(const Font& f);

    // Check boxes: 0 standard, 1 graphical (drawn as a push button). Text boxes, labels: alignment
    // 0 left, 1 right, 2 centre. Labels and text boxes: border 0 none, 1 fixed single.
    int style() const { return style_; }
    void setStyle(int v);
    int alignment() const { return alignment_; }
    void setAlignment(int v);
    int borderStyle() const { return borderStyle_; }
    void setBorderStyle(int v);

    // Scroll bars.
    int min() const { return min_; }
    int max() const { return max_; }
    int smallChange() const { return smallChange_; }
    int largeChange() const { return largeChange_; }
    void setMin(int v);
    void setMax(int v);
    void setSmallChange(int v);
    void setLargeChange(int v);

    // Lists and combo boxes. Setting ListIndex raises Click.
    int listCount() const { return static_cast<int>(items_.size()); }
    const std::string& list(int i) const;
    const std::vector<std::string>& items() const { return items_; }
    void addItem(const std::string& item);
    void removeItem(int i);
    void clear();
    int listIndex() const { return listIndex_; }
    void setListIndex(int i);
    // List boxes: the width in pixels the list scrolls over sideways (the list box's horizontal
    // extent message); 0, or no more than the list's own width, scrolls nothing.
    int horizontalExtent() const { return horizontalExtent_; }
    void setHorizontalExtent(int pixels);

    // Timers. Setting either restarts the countdown.
    int interval() const { return interval_; }
    void setInterval(int ms);

    // Picture boxes: printing text at the current position.
    void cls();
    int currentX() const { return currentX_; }
    int currentY() const { return currentY_; }
    void setCurrentX(int v) { currentX_ = v; }
    void setCurrentY(int v) { currentY_ = v; }
    void print(const std::string& text);
    const std::vector<PrintedText>& printed() const { return printed_; }

    // Images, picture boxes, buttons.
    const Picture& picture() const { return picture_; }
    void setPicture(const Picture& p);

    // Drive, folder and file lists.
    const std::string& path() const { return path_; }
    void setPath(const std::string& p);
    const std::string& pattern() const { return pattern_; }
    void setPattern(const std::string& p);

    // Events. Handlers are plain callbacks; a control array's handler captures its index.
    std::function<void()> Click;
    std::function<void()> DblClick;
    std::function<void()> Change;
    std::function<void()> Timer;
    std::function<void(int button, int shift, float x, float y)> MouseMove;
    std::function<void(int button, int shift, float x, float y)> MouseDown;
    std::function<void(int button, int shift, float x, float y)> MouseUp;
    std::function<void()> GotFocus;

    // User actions, as a host or a test delivers them. A click on a check box flips its value
    // (a pressed push button is released by a click); the rest behave like the setters.
    void userClick();
    void userDblClick();
    void fireTimer();

private:
    void notify(Prop p);
    void raise(const std::function<void()>& handler) const;

    Form& form_;
    Kind kind_;
    std::string name_;
    int index_;
    Control* container_;

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::string caption_;
    std::string text_;
    int value_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    std::string tag_;
    Color backColor_ = RGB(0xC0, 0xC0, 0xC0);
    Color foreColor_ = RGB(0, 0, 0);
    Color borderColor_ = RGB(0, 0, 0);
    Color fillColor_ = RGB(0, 0, 0);
    int backStyle_ = 1;
    int fillStyle_ = 1;
    Font font_;
    int style_ = 0;
    int alignment_ = 0;
    int borderStyle_ = 0;
    int min_ = 0, max_ = 32767, smallChange_ = 1, largeChange_ = 1;
    std::vector<std::string> items_;
    int listIndex_ = -1;
    int horizontalExtent_ = 0;
    int interval_ = 0;
    int currentX_ = 0, currentY_ = 0;
    std::vector<PrintedText> printed_;
    Picture picture_;
    std::string path_;
    std::string pattern_ = "*.*";
};

class MenuItem {
public:
    MenuItem(Form& form, MenuItem* parent, std::string name, int index, std::string caption);
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    Form& form() const { return form_; }
    MenuItem* parent() const { return parent_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }
    std::string displayName() const;
    const std::vector<std::unique_ptr<MenuItem>>& children() const { return children_; }
    bool isSeparator() const { return caption_ == "-"; }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& v);
    bool checked() const { return checked_; }
    void setChecked(bool v);
    bool enabled() const { return enabled_; }
    void setEnabled(bool v);
    bool visible() const { return visible_; }
    void setVisible(bool v);
    const std::string& tag() const { return tag_; }
    void setTag(const std::string& v) { tag_ = v; }

    // Adds a child at the end; for control arrays pass the index.
    MenuItem& add(const std::string& name, const std::string& caption, int index = -1);
    // Grows a menu control array at run time: a new item with the same name and the given index,
    // placed after the array's last item under the same parent.
    MenuItem& loadArrayItem(int index);

    std::function<void()> Click;
    void userClick();

private:
    void notify(Prop p);

    Form& form_;
    MenuItem* parent_;
    std::string name_;
    int index_;
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    std::string tag_;
    std::vector<std::unique_ptr<MenuItem>> children_;
};

class Form {
public:
    Form(Application& app, std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Application& application() const { return app_; }
    const std::string& name() const { return name_; }

    // Lifecycle. Load creates the form's state (Form_Load runs once per load); Show loads as needed
    // and shows; Unload asks Form_QueryUnload, then runs Form_Unload and forgets the window.
    void Load();
    void Show(bool modal = false);
    void Hide();
    void Unload(int unloadMode = 1);
    bool loaded() const { return loaded_; }
    // Called by the host when the window becomes the active one.
    void activate();

    // Properties of the window.
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& v);
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void move(int left, int top);
    void move(int left, int top, int width, int height);
    bool visible() const { return visible_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool v);
    const Picture& icon() const { return icon_; }
    void setIcon(const Picture& p);
    Color backColor() const { return backColor_; }
    void setBackColor(Color c);
    const Font& font() const { return font_; }
    void setFont(const Font& f);
    // 0 none (borderless), 1 fixed single, 3 fixed dialog.
    int borderStyle() const { return borderStyle_; }
    void setBorderStyle(int v);
    bool showInTaskbar() const { return showInTaskbar_; }
    void setShowInTaskbar(bool v);
    // Placement at first show: 0 manual, 2 centre of the screen.
    int startUpPosition() const { return startUpPosition_; }
    void setStartUpPosition(int v) { startUpPosition_ = v; }
    bool modal() const { return modal_; }

    // Controls, in creation order.
    Control& add(Kind kind, const std::string& name, int index = -1, Control* container = nullptr);
    Control& control(const std::string& name, int index = -1) const;  // throws std::out_of_range
    Control* find(const std::string& name, int index = -1) const;
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    // The menu bar: its top-level items are the root's children.
    MenuItem& menuRoot() { return *menuRoot_; }
    MenuItem& menu(const std::string& name, int index = -1) const;  // throws std::out_of_range
    MenuItem* findMenu(const std::string& name, int index = -1) const;

    // Events of the window.
    virtual void Form_Initialize() {}
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int& cancel, int unloadMode) { (void)cancel; (void)unloadMode; }
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    virtual void Form_MouseMove(int button, int shift, float x, float y) { (void)button; (void)shift; (void)x; (void)y; }

    // For the model's own objects.
    void notifyControl(Control& c, Prop p);
    void notifyMenu(MenuItem& m, Prop p);
    void notifyMenuAdded(MenuItem& m);

private:
    void notify(Prop p);
    void setVisibleInternal(bool v);

    Application& app_;
    std::string name_;
    bool loaded_ = false;
    bool visible_ = false;
    bool enabled_ = true;
    bool modal_ = false;
    std::string caption_;
    int left_ = 0, top_ = 0, width_ = 4800, height_ = 3600;
    Picture icon_;
    Color backColor_ = RGB(0xC0, 0xC0, 0xC0);
    Font font_;
    int borderStyle_ = 2;
    bool showInTaskbar_ = true;
    int startUpPosition_ = 0;
    std::vector<std::unique_ptr<Control>> controls_;
    std::unique_ptr<MenuItem> menuRoot_;
};

// The program-wide registry of forms and the observer that mirrors them.
class Application {
public:
    void setObserver(Observer* o) { observer_ = o; }
    Observer* observer() const { return observer_; }
    const std::vector<Form*>& forms() const { return forms_; }
    bool anyLoaded() const;

    // Where a form asks its host to show it modally (the call returns when the form is hidden or
    // unloaded). Set by the host.
    std::function<void(Form&)> runModal;

    void registerForm(Form* f);
    void unregisterForm(Form* f);

private:
    Observer* observer_ = nullptr;
    std::vector<Form*> forms_;
};

}  // namespace forms
