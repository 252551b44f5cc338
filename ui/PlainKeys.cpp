#include "PlainKeys.h"

#include <Qsci/qscicommand.h>

namespace orvane::ui {
namespace {

int Key(int key, int modifiers = 0) { return key | modifiers; }

}  // namespace

void BindPlainKeys(QsciCommandSet& commands) {
    commands.clearKeys();
    commands.clearAlternateKeys();
    const int shift = Qt::SHIFT, ctrl = Qt::CTRL;
    auto bind = [&](QsciCommand::Command command, int key, int alternate = 0) {
        if (QsciCommand* c = commands.find(command)) {
            c->setKey(key);
            c->setAlternateKey(alternate);
        }
    };
    using C = QsciCommand;
    bind(C::LineUp, Key(Qt::Key_Up));
    bind(C::LineUpExtend, Key(Qt::Key_Up, shift));
    bind(C::LineDown, Key(Qt::Key_Down));
    bind(C::LineDownExtend, Key(Qt::Key_Down, shift));
    bind(C::LineScrollUp, Key(Qt::Key_Up, ctrl));
    bind(C::LineScrollDown, Key(Qt::Key_Down, ctrl));
    bind(C::CharLeft, Key(Qt::Key_Left));
    bind(C::CharLeftExtend, Key(Qt::Key_Left, shift));
    bind(C::CharRight, Key(Qt::Key_Right));
    bind(C::CharRightExtend, Key(Qt::Key_Right, shift));
    bind(C::WordLeft, Key(Qt::Key_Left, ctrl));
    bind(C::WordLeftExtend, Key(Qt::Key_Left, ctrl | shift));
    bind(C::WordRight, Key(Qt::Key_Right, ctrl));
    bind(C::WordRightExtend, Key(Qt::Key_Right, ctrl | shift));
    bind(C::Home, Key(Qt::Key_Home));
    bind(C::HomeExtend, Key(Qt::Key_Home, shift));
    bind(C::LineEnd, Key(Qt::Key_End));
    bind(C::LineEndExtend, Key(Qt::Key_End, shift));
    bind(C::DocumentStart, Key(Qt::Key_Home, ctrl));
    bind(C::DocumentStartExtend, Key(Qt::Key_Home, ctrl | shift));
    bind(C::DocumentEnd, Key(Qt::Key_End, ctrl));
    bind(C::DocumentEndExtend, Key(Qt::Key_End, ctrl | shift));
    bind(C::PageUp, Key(Qt::Key_PageUp));
    bind(C::PageUpExtend, Key(Qt::Key_PageUp, shift));
    bind(C::PageDown, Key(Qt::Key_PageDown));
    bind(C::PageDownExtend, Key(Qt::Key_PageDown, shift));
    bind(C::Delete, Key(Qt::Key_Delete));
    bind(C::DeleteBack, Key(Qt::Key_Backspace), Key(Qt::Key_Backspace, shift));
    bind(C::DeleteWordLeft, Key(Qt::Key_Backspace, ctrl));
    bind(C::DeleteWordRight, Key(Qt::Key_Delete, ctrl));
    bind(C::Undo, Key(Qt::Key_Z, ctrl));
    bind(C::Redo, Key(Qt::Key_Y, ctrl), Key(Qt::Key_Z, ctrl | shift));
    bind(C::SelectionCut, Key(Qt::Key_X, ctrl), Key(Qt::Key_Delete, shift));
    bind(C::SelectionCopy, Key(Qt::Key_C, ctrl), Key(Qt::Key_Insert, ctrl));
    bind(C::Paste, Key(Qt::Key_V, ctrl), Key(Qt::Key_Insert, shift));
    bind(C::SelectAll, Key(Qt::Key_A, ctrl));
    bind(C::Newline, Key(Qt::Key_Return), Key(Qt::Key_Return, shift));  // the keypad Enter arrives as Return
}

}  // namespace orvane::ui
