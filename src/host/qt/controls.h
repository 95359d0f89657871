// The widgets that draw model controls Qt has no close match for. Each reads its control's current
// properties when it paints, so a change only has to schedule a repaint.
#pragma once

#include <QAbstractButton>
#include <QHash>
#include <QListWidget>
#include <QStaticText>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

#include "forms/forms.h"

namespace qthost {

// A widget that reads its control whenever it paints. An unloaded form's window is deleted later,
// from the event loop, and may outlive the model: detached, it reads nothing any more.
class ModelView {
public:
    virtual ~ModelView() = default;
    void detach() { model_ = nullptr; }

protected:
    explicit ModelView(const forms::Control& control) : model_(&control) {}
    const forms::Control* model_;
};

// Mouse input of a control, as the model wants it.
using MouseSink = std::function<void(QMouseEvent* event)>;

// A control drawn by hand that may also take mouse input: labels, images, picture boxes, frames.
class PaintedControl : public QWidget, public ModelView {
public:
    PaintedControl(const forms::Control& control, QWidget* parent);
    MouseSink onMouse;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

class LabelWidget : public PaintedControl {
public:
    using PaintedControl::PaintedControl;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // Laid out once per caption, font and width: repainting does not shape the text again.
    QStaticText layout_;
    QString layoutText_;
    QFont layoutFont_;
    int layoutWidth_ = -1;
    int layoutAlignment_ = -1;
};

// Picture boxes and frames: a back colour, an optional picture and printed text, children inside.
class PanelWidget : public PaintedControl {
public:
    using PaintedControl::PaintedControl;
    // Printed text comes one piece at a time, mostly cleared and printed again as it was: once the
    // handler is done, repaint only if the text differs from what is on the screen.
    void printedChanged();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QHash<QString, QStaticText> shaped_;  // in shapedFont_
    QFont shapedFont_;
    std::vector<forms::PrintedText> onScreen_;
    bool checkPending_ = false;
};

class ImageWidget : public PaintedControl {
public:
    using PaintedControl::PaintedControl;

protected:
    void paintEvent(QPaintEvent*) override;
};

// Rectangles and lines never take input: the pointer reaches what lies below them.
class ShapeWidget : public QWidget, public ModelView {
public:
    ShapeWidget(const forms::Control& control, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
};

class LineWidget : public QWidget, public ModelView {
public:
    LineWidget(const forms::Control& control, QWidget* parent);
    // Places the widget around the line's end points (container pixels).
    void layoutLine();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QPoint from_, to_;
};

// Check boxes (standard, or drawn as a toggle button) and command buttons. Qt never flips a state
// of its own: the value shown is always the model's.
class ButtonWidget : public QAbstractButton, public ModelView {
public:
    ButtonWidget(const forms::Control& control, QWidget* parent);
    // Caption as the model has it; "&" marks the access key, "&&" is a literal ampersand.
    void syncCaption();

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    void paintPushLook(QPainter& p, const forms::Control& c, const QColor& base, bool pressed);
    void paintCheckLook(QPainter& p, const forms::Control& c);
};

// A vertical scroll bar too short for a thumb: two arrow buttons, as the program uses them for spin
// buttons. `step` reports -1 (up, towards Min) or +1 (down, towards Max); holding repeats.
class ArrowBarWidget : public QWidget, public ModelView {
public:
    ArrowBarWidget(const forms::Control& control, QWidget* parent);
    std::function<void(int direction)> step;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void fire();
    void stopRepeat();
    int pressed_ = 0;  // -1 upper arrow, +1 lower arrow, 0 none
    QTimer repeat_;
};

// The 1-pixel outline of a borderless window, above everything in it: four strips, so that a
// repaint inside the window does not involve them.
class WindowEdge : public QObject {
public:
    explicit WindowEdge(QWidget* window);
    void setColor(const QColor& c);
    void raise();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layout();
    QWidget* window_;
    QWidget* strips_[4];
};

// A list box. With a horizontal extent it scrolls sideways over exactly that many pixels, as the
// toolkit's list box does (text beyond the extent stays out of reach); without one, as far as its
// longest item needs.
class ListBoxWidget : public QListWidget {
public:
    explicit ListBoxWidget(QWidget* parent);
    void setExtent(int pixels);
    int extent() const { return extent_; }

protected:
    void updateGeometries() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void updatePolicy();
    int extent_ = 0;
};

}  // namespace qthost
