// One widget (or timer) per control: building it, stacking it, and mirroring the model into it.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>

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
                   Prop::Items, Prop::Value, Prop::Picture, Prop::Enabled, Prop::Visible})
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
        else w->setGeometry(PxRect(c));
        break;
    case forms::Prop::Caption:
        if (v.type == ViewType::Button) static_cast<ButtonWidget*>(w)->syncCaption();
        else if (v.type == ViewType::Label) w->update();
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
        for (std::size_t i = shown.size(); i < items.size(); ++i) lw->addItem(Q(items[i]));
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
    const forms::Control& c = *v.control;
    int index = c.listIndex();
    if (index < 0 && !c.path().empty()) {
        // Drive and folder lists show their path when nothing is selected.
        for (int i = 0; i < c.listCount(); ++i)
            if (Q(c.list(i)).compare(Q(c.path()), Qt::CaseInsensitive) == 0) index = i;
    }
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
