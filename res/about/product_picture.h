#pragma once
// The product picture of the About box (bitmap 135): a TQ-740-0 gateway
// module on a DIN rail, drawn in code so the picture's source stays readable.

#include <QImage>

inline constexpr int kProductPictureWidth = 230;
inline constexpr int kProductPictureHeight = 110;

// Draws the 230 x 110 picture. Needs a QGuiApplication (for the fonts).
QImage productPicture();
