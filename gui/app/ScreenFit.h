#pragma once

#include <QScreen>
#include <QSize>

// `comfortable`, made smaller where the screen the window opens on has less room, leaving
// some for the window's frame and the desktop's panels.
inline QSize FittedToScreen(QSize comfortable, const QScreen* screen) {
    if (!screen)
        return comfortable;
    const QSize room = screen->availableSize();
    return comfortable.boundedTo(QSize(room.width() * 9 / 10, room.height() * 9 / 10));
}
