// Places a control at fixed pixel coordinates, the way the window and its pages are laid out.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <type_traits>

template <typename Widget>
Widget *placed(const QString &objectName, const QString &text, QRect geometry, QWidget *parent) {
    Widget *widget = nullptr;
    if constexpr (std::is_constructible_v<Widget, const QString &, QWidget *>) {
        widget = new Widget(text, parent);
    } else {
        widget = new Widget(parent);
    }
    if (!objectName.isEmpty()) {
        widget->setObjectName(objectName);
    }
    widget->setGeometry(geometry);
    return widget;
}
