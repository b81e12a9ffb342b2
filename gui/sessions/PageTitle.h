#pragma once

#include <QLabel>

// The large title at the top of a right-hand page.
inline QLabel* MakePageTitle(const QString& text, QWidget* parent) {
    auto* title = new QLabel(text, parent);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    title->setFont(font);
    return title;
}
