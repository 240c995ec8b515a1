#pragma once

#include <QColor>
#include <QIcon>
#include <cstdint>
#include <QPixmap>

// The pictures of the main window's buttons, drawn here so they look the same
// on every desktop.
// A stored colour (0x00BBGGRR) as Qt's colour.
inline QColor colorOf(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

namespace Icons {
QIcon greekFlag();
QIcon englishFlag();
QIcon savePath();
QIcon recallPath();
QIcon refresh();
QIcon upOneLevel();
QIcon help();
QIcon options();
QIcon synchronize();
QIcon exit();
// Two folders, orange and cyan, exchanging their contents.
QPixmap copyrightPicture(int size);
// The program's own icon: the desktop theme's "orvanel" if it has one, else
// the picture built into the program.
QIcon application();
} // namespace Icons
