// Keys by their place on the keyboard, whatever the layout.
#pragma once

#include <QtGlobal>

#include <string>

namespace orvane::ui {

// The Latin letter on the key's place in the US layout, from its X11 key
// code, for a letter of another script: Ctrl+С on a Russian keyboard is
// Ctrl+C, as Qt matches its own shortcuts on any layout.
inline int LatinKeyAt(quint32 x11Keycode) {
    static constexpr char kRows[][11] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static constexpr quint32 kFirst[] = {24, 38, 52};
    for (int row = 0; row < 3; ++row) {
        const quint32 column = x11Keycode - kFirst[row];
        if (x11Keycode >= kFirst[row] && column < std::char_traits<char>::length(kRows[row]))
            return Qt::Key_A + (kRows[row][column] - 'A');
    }
    return 0;
}

}  // namespace orvane::ui
