// Modal message boxes, pop-up menus and the mouse pointer.
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

#include "host/host_rules.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"

namespace qthost {

namespace {

void BuildMenu(QMenu& qm, const forms::MenuItem& parent, const forms::MenuItem* defaultItem,
               std::unordered_map<QAction*, forms::MenuItem*>& actions) {
    for (const auto& child : parent.children()) {
        forms::MenuItem& m = *child;
        if (!m.visible()) continue;
        if (m.isSeparator()) {
            qm.addSeparator();
            continue;
        }
        if (!m.children().empty()) {
            QMenu* sub = qm.addMenu(Q(m.caption()));
            sub->setEnabled(m.enabled());
            BuildMenu(*sub, m, defaultItem, actions);
            continue;
        }
        QAction* a = qm.addAction(Q(m.caption()));
        a->setEnabled(m.enabled());
        if (m.checked()) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        if (&m == defaultItem) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        actions[a] = &m;
    }
}

QMessageBox::StandardButton StandardButton(int answer) {
    switch (answer) {
    case host::vbCancel: return QMessageBox::Cancel;
    case host::vbAbort: return QMessageBox::Abort;
    case host::vbRetry: return QMessageBox::Retry;
    case host::vbIgnore: return QMessageBox::Ignore;
    case host::vbYes: return QMessageBox::Yes;
    case host::vbNo: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

}  // namespace

int QtHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
    const host::MsgBoxLayout layout = host::MsgBoxFor(style);
    // The program is ending: nobody is there to answer, so the box counts as closed.
    if (d->quitRequested) return layout.answerOnClose;
    QMessageBox box;
    box.setWindowTitle(Q(title));
    box.setText(DisplayText(prompt));
    switch (layout.icon) {
    case host::MsgBoxIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case host::MsgBoxIcon::Question: box.setIcon(QMessageBox::Question); break;
    case host::MsgBoxIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case host::MsgBoxIcon::Information: box.setIcon(QMessageBox::Information); break;
    case host::MsgBoxIcon::None: break;
    }
    std::vector<QPushButton*> buttons;
    for (int answer : layout.answers) {
        buttons.push_back(box.addButton(StandardButton(answer)));
        if (const auto text = ButtonTexts().find(answer); text != ButtonTexts().end())
            buttons.back()->setText(Q(text->second));
    }
    box.setDefaultButton(buttons[layout.defaultButton]);
    box.exec();
    const auto* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == clicked) return layout.answers[i];
    return layout.answerOnClose;
}

void QtHost::PopupMenu(forms::Form&, forms::MenuItem& menu, forms::MenuItem* defaultItem) {
    if (d->quitRequested) return;
    QMenu qm;
    std::unordered_map<QAction*, forms::MenuItem*> actions;
    BuildMenu(qm, menu, defaultItem, actions);
    if (qm.isEmpty()) return;
    QAction* chosen = qm.exec(QCursor::pos());
    if (!chosen) return;
    auto it = actions.find(chosen);
    if (it == actions.end()) return;
    forms::MenuItem* item = it->second;
    // The program may have ended while the menu was open.
    if (!d->quitRequested && item->form().loaded()) item->userClick();
}

void QtHost::SetMousePointer(int pointer) {
    const bool busy = pointer == host::vbHourglass;
    if (busy == d->waitCursor || d->displayGone) return;
    d->waitCursor = busy;
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

}  // namespace qthost
