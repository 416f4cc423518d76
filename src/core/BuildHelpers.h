#pragma once

#include <QString>

// What the code that builds windows and panes shares.

// Twips of the classic layout to pixels at the usual 15 twips per pixel.
constexpr int px(int twips)
{
    return twips / 15;
}

// Tests and the accessibility tools find a control by its object name, which
// is the name of its member.
template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
