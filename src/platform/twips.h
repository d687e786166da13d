#pragma once

#include <QRect>
#include <QSize>

// Window layouts are designed in twips; 15 twips are one logical pixel.
namespace Platform {

constexpr int fromTwips(int twips)
{
    return (twips * 2 + 15) / 30; // nearest pixel, halves up
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(fromTwips(left), fromTwips(top), fromTwips(width), fromTwips(height));
}

constexpr QSize twipsSize(int width, int height)
{
    return QSize(fromTwips(width), fromTwips(height));
}

} // namespace Platform
