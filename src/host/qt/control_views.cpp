// One widget (or timer) per control: building it, stacking it, and mirroring the model into it.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "host/host_rules.h"
#include "host/qt/controls.h"
#include "host/qt/look.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"

namespace qthost {

namespace {

// Marks the host as mirroring the model into widgets: what widgets report meanwhile is no user input.
struct SyncScope {
    explicit SyncScope(int& n) : n_(n) { ++n_; }
    ~SyncScope() { --n_; }
    int& n_;
};

// Controls the toolkit draws on their container's surface, below every control with a window.
bool IsGraphical(forms::Kind k) {
    return k == forms::Kind::Label || k == forms::Kind::Shape || k == forms::Kind::Line || k == forms::Kind::Image;
}

// A folder list shows each folder by its own name, indented by its depth, the open ones (the
// current folder and those above it) apart from the ones below.
QListWidgetItem* FolderItem(const forms::Control& c, const std::string& path, QListWidget* list) {
    const host::FolderEntry entry = host::FolderEntryOf(path);
    const bool open = c.path().compare(0, path.size(), path) == 0;
    auto* item = new QListWidgetItem(QString(entry.depth * 2, QLatin1Char(' ')) + Q(entry.name), list);
    item->setIcon(list->style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
    return item;
}

// A list whose rectangle reaches past the edge of a container would lose its border there (the
// Active Modules list starts a pixel left of its page): it is drawn within the part that shows.
QRect WithinContainers(const QWidget* parent, QRect r) {
    QPoint offset;  // from `parent` to the container being looked at
    for (const QWidget* p = parent; p; p = p->parentWidget()) {
        r &= p->rect().translated(-offset);
        if (p->isWindow()) break;
        offset += p->pos();
    }
    return r;
}

int HAlign(int alignment) {
    return alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
}

}  // namespace

// ---- Impl: controls -------------------------------------------------------------------------------

void QtHost::Impl::controlAdded(forms::Control& control) {
    FormView* fv = viewOf(control.form());
    if (!fv || fv->controls.count(&control)) return;
    build(*fv, control);
    if (ControlView* v = viewOf(control)) restack(*v, false);
    if (fv->edge) fv->edge->raise();
}

void QtHost::Impl::build(FormView& fv, forms::Control& c) {
    ControlView& v = fv.controls[&c];
    v.control = &c;
    v.form = &fv;
    QWidget* parent = fv.window;
    if (c.container()) {
        auto it = fv.controls.find(c.container());
        if (it != fv.controls.end() && it->second.widget) parent = it->second.widget;
    }

    auto painted = [&](PaintedControl* w) {
        w->onMouse = [this, w](QMouseEvent* e) { userMouse(w, e); };
        w->setMouseTracking(static_cast<bool>(c.MouseMove));
        return w;
    };

    switch (c.kind()) {
    case forms::Kind::Timer: {
        v.type = ViewType::Timer;
        v.timer = new QTimer(fv.window);
        QTimer* t = v.timer;
        QObject::connect(t, &QTimer::timeout, t, [this, t] { timerFired(t); });
        byWidget[t] = &v;
        rearm(v);
        return;
    }
    case forms::Kind::Label:
        v.type = ViewType::Label;
        v.widget = painted(new LabelWidget(c, parent));
        break;
    case forms::Kind::PictureBox:
    case forms::Kind::Frame:
        v.type = ViewType::Panel;
        v.widget = painted(new PanelWidget(c, parent));
        v.widget->setAttribute(Qt::WA_OpaquePaintEvent);
        break;
    case forms::Kind::Image:
        v.type = ViewType::Image;
        v.widget = painted(new ImageWidget(c, parent));
        break;
    case forms::Kind::Shape:
        v.type = ViewType::Shape;
        v.widget = new ShapeWidget(c, parent);
        break;
    case forms::Kind::Line:
        v.type = ViewType::Line;
        v.widget = new LineWidget(c, parent);
        break;
    case forms::Kind::CheckBox:
    case forms::Kind::CommandButton: {
        v.type = ViewType::Button;
        auto* w = new ButtonWidget(c, parent);
        QObject::connect(w, &QAbstractButton::clicked, w, [this, w] { userClicked(w); });
        v.widget = w;
        break;
    }
    case forms::Kind::TextBox: {
        v.type = ViewType::LineEdit;
        auto* w = new QLineEdit(parent);
        QObject::connect(w, &QLineEdit::textEdited, w, [this, w](const QString& t) { userEdited(w, t); });
        v.widget = w;
        break;
    }
    case forms::Kind::VScrollBar: {
        const QRect r = PxRect(c);
        if (r.height() < 3 * r.width()) {
            v.type = ViewType::ArrowBar;
            auto* w = new ArrowBarWidget(c, parent);
            w->step = [this, w](int direction) { userStepped(w, direction); };
            v.widget = w;
        } else {
            v.type = ViewType::ScrollBar;
            auto* w = new QScrollBar(Qt::Vertical, parent);
            QObject::connect(w, &QScrollBar::valueChanged, w, [this, w](int value) { userScrolled(w, value); });
            v.widget = w;
        }
        break;
    }
    case forms::Kind::ListBox:
    case forms::Kind::DirListBox:
    case forms::Kind::FileListBox: {
        v.type = ViewType::List;
        auto* w = new ListBoxWidget(parent);
        QObject::connect(w, &QListWidget::currentRowChanged, w, [this, w](int row) { userChose(w, row); });
        QObject::connect(w, &QListWidget::itemDoubleClicked, w, [this, w] {
            if (ControlView* cv = viewOfWidget(w); cv && !syncing) cv->control->userDblClick();
        });
        v.widget = w;
        break;
    }
    case forms::Kind::ComboBox:
    case forms::Kind::DriveListBox: {
        v.type = ViewType::Combo;
        auto* w = new QComboBox(parent);
        QObject::connect(w, &QComboBox::activated, w, [this, w](int index) { userChose(w, index); });
        v.widget = w;
        break;
    }
    }
    byWidget[v.widget] = &v;
    syncAll(v);
}

void QtHost::Impl::restack(ControlView& v, bool initial) {
    if (!v.widget) return;
    if (!IsGraphical(v.control->kind())) {
        v.widget->raise();
        return;
    }
    if (initial) return;  // creation order already puts it above the earlier graphical ones
    // Added later: below every windowed sibling.
    for (QObject* o : v.widget->parentWidget()->children()) {
        ControlView* sibling = viewOfWidget(o);
        if (sibling && sibling != &v && sibling->widget && !IsGraphical(sibling->control->kind())) {
            v.widget->stackUnder(sibling->widget);
            return;
        }
    }
}

void QtHost::Impl::syncAll(ControlView& v) {
    using forms::Prop;
    for (Prop p : {Prop::Geometry, Prop::Font, Prop::Colors, Prop::Style, Prop::Caption, Prop::Text, Prop::Range,
                   Prop::Items, Prop::Value, Prop::Picture, Prop::Enabled, Prop::Visible, Prop::Help})
        sync(v, p);
}

void QtHost::Impl::controlChanged(forms::Control& control, forms::Prop prop) {
    if (ControlView* v = viewOf(control)) sync(*v, prop);
}

void QtHost::Impl::sync(ControlView& v, forms::Prop prop) {
    forms::Control& c = *v.control;
    if (v.type == ViewType::Timer) {
        if (prop == forms::Prop::Enabled || prop == forms::Prop::Interval) rearm(v);
        return;
    }
    QWidget* w = v.widget;
    SyncScope scope(syncing);
    const QSignalBlocker block(w);
    switch (prop) {
    case forms::Prop::Geometry:
        if (v.type == ViewType::Line) static_cast<LineWidget*>(w)->layoutLine();
        else if (v.type == ViewType::List) w->setGeometry(WithinContainers(w->parentWidget(), PxRect(c)));
        else w->setGeometry(PxRect(c));
        // A container that moves or changes size shows another part of the lists inside it.
        if (v.type == ViewType::Panel)
            for (auto& [control, inner] : v.form->controls)
                if (inner.type == ViewType::List && inner.widget)
                    inner.widget->setGeometry(WithinContainers(inner.widget->parentWidget(), PxRect(*control)));
        break;
    case forms::Prop::Caption:
        if (v.type == ViewType::Button) static_cast<ButtonWidget*>(w)->syncCaption();
        else if (v.type == ViewType::Label) w->update();
        if (c.accessibleName().empty()) syncHelp(v);
        break;
    case forms::Prop::Help:
        syncHelp(v);
        break;
    case forms::Prop::Text:
        if (v.type == ViewType::LineEdit) {
            auto* le = static_cast<QLineEdit*>(w);
            const QString t = Q(c.text());
            if (le->text() != t) le->setText(t);
        }
        break;
    case forms::Prop::Value:
        if (v.type == ViewType::ScrollBar) syncRange(v);
        else if (v.type == ViewType::Button) w->update();
        break;
    case forms::Prop::Enabled:
        w->setEnabled(c.enabled());
        break;
    case forms::Prop::Visible:
        w->setVisible(c.visible());
        break;
    case forms::Prop::Colors:
        syncColors(v);
        break;
    case forms::Prop::Font:
        w->setFont(MapFont(c.font(), v.form->fontPx));
        break;
    case forms::Prop::Range:
        if (v.type == ViewType::ScrollBar) syncRange(v);
        else if (v.type == ViewType::List) static_cast<ListBoxWidget*>(w)->setExtent(c.horizontalExtent());
        break;
    case forms::Prop::Items:
        syncItems(v);
        break;
    case forms::Prop::ListIndex:
    case forms::Prop::Path:
        syncListIndex(v);
        break;
    case forms::Prop::Style:
        if (v.type == ViewType::LineEdit) {
            auto* le = static_cast<QLineEdit*>(w);
            le->setAlignment(Qt::Alignment(HAlign(c.alignment())) | Qt::AlignVCenter);
            le->setFrame(c.borderStyle() != 0);
        }
        if (c.mousePointer() == forms::vbCustom) w->setCursor(Qt::PointingHandCursor);
        else w->unsetCursor();
        w->update();
        break;
    case forms::Prop::Graphics:
        if (v.type == ViewType::Panel) static_cast<PanelWidget*>(w)->printedChanged();
        else w->update();
        break;
    case forms::Prop::Picture:
        w->update();
        break;
    default:
        break;
    }
}

// What a screen reader says: the program's name for the control, else its caption as shown.
void QtHost::Impl::syncHelp(ControlView& v) {
    const forms::Control& c = *v.control;
    QWidget* w = v.widget;
    const QString tip = Q(c.toolTipText());
    if (w->toolTip() != tip) w->setToolTip(tip);
    QString name = Q(c.accessibleName());
    if (name.isEmpty()) {
        name = Q(c.caption());
        name.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(QLatin1Char('&'));
        name.replace(QLatin1String("\x01"), QLatin1String("&"));
        name = name.simplified();
    }
    if (w->accessibleName() != name) w->setAccessibleName(name);
    const QString description = Q(c.accessibleDescription());
    if (w->accessibleDescription() != description) w->setAccessibleDescription(description);
}

void QtHost::Impl::syncRange(ControlView& v) {
    forms::Control& c = *v.control;
    auto* sb = static_cast<QScrollBar*>(v.widget);
    // Min above Max turns the bar round; negated values keep Qt's range in order.
    const host::BarRange bar = host::ToolkitBar(c.min(), c.max(), c.value());
    sb->setRange(bar.min, bar.max);
    sb->setValue(bar.value);
    sb->setSingleStep(std::max(1, c.smallChange()));
    sb->setPageStep(std::max(1, c.largeChange()));
}

void QtHost::Impl::syncColors(ControlView& v) {
    forms::Control& c = *v.control;
    // What covers itself completely spares its container a repaint underneath.
    if (v.type == ViewType::Label || v.type == ViewType::Shape)
        v.widget->setAttribute(Qt::WA_OpaquePaintEvent, c.backStyle() == 1);
    if (v.type == ViewType::LineEdit || v.type == ViewType::List || v.type == ViewType::Combo) {
        const QColor back = ToQColor(c.backColor()), fore = ToQColor(c.foreColor());
        QPalette pal = v.widget->palette();
        pal.setColor(QPalette::Base, back);
        pal.setColor(QPalette::Text, fore);
        pal.setColor(QPalette::Disabled, QPalette::Text, Faded(fore, back));
        // A drop-down's face follows the skin too, not a dark desktop theme's buttons.
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
            pal.setColor(g, QPalette::Button, back);
            pal.setColor(g, QPalette::ButtonText, fore);
        }
        pal.setColor(QPalette::Disabled, QPalette::Base, back);
        pal.setColor(QPalette::Disabled, QPalette::ButtonText, Faded(fore, back));
        v.widget->setPalette(pal);
    }
    v.widget->update();
}

void QtHost::Impl::syncItems(ControlView& v) {
    const std::vector<std::string>& items = v.control->items();
    std::vector<std::string>& shown = v.shownItems;
    // Lists mostly grow one item at a time: append what is new rather than rebuild.
    const bool grown = shown.size() <= items.size() && std::equal(shown.begin(), shown.end(), items.begin());
    if (v.type == ViewType::List) {
        auto* lw = static_cast<QListWidget*>(v.widget);
        if (!grown) {
            lw->clear();
            shown.clear();
        }
        for (std::size_t i = shown.size(); i < items.size(); ++i) {
            if (v.control->kind() == forms::Kind::DirListBox) FolderItem(*v.control, items[i], lw);
            else lw->addItem(Q(items[i]));
        }
    } else if (v.type == ViewType::Combo) {
        auto* cb = static_cast<QComboBox*>(v.widget);
        if (!grown) {
            cb->clear();
            shown.clear();
        }
        for (std::size_t i = shown.size(); i < items.size(); ++i) cb->addItem(Q(items[i]));
    } else {
        return;
    }
    shown = items;
    syncListIndex(v);
}

void QtHost::Impl::syncListIndex(ControlView& v) {
    const int index = host::ShownListIndex(*v.control);
    if (v.type == ViewType::List) {
        auto* lw = static_cast<QListWidget*>(v.widget);
        if (lw->currentRow() != index) lw->setCurrentRow(index);
    } else if (v.type == ViewType::Combo) {
        auto* cb = static_cast<QComboBox*>(v.widget);
        if (cb->currentIndex() != index) cb->setCurrentIndex(index);
    }
}

void QtHost::Impl::rearm(ControlView& v) {
    const forms::Control& c = *v.control;
    if (c.form().loaded() && c.enabled() && c.interval() > 0) v.timer->start(c.interval());
    else v.timer->stop();
}

}  // namespace qthost
