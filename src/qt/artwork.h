#pragma once

#include <QIcon>
#include <QPixmap>

namespace pm {

// The window's artwork, drawn rather than shipped: the emblem (a white lightning bolt on a dark
// red square) and the icons of the six picture buttons.
QPixmap emblemPixmap(int width, int height);
QIcon windowIcon();

enum class ButtonIcon { Read, Save, Clear, Print, Help, Close };
QIcon buttonIcon(ButtonIcon which, int pixels);

}  // namespace pm
