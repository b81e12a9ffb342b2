#include "gui/app/Accessibility.h"

#include <QAbstractButton>
#include <QLabel>

void NameAfterToolTip(QAbstractButton& button) {
    if (button.accessibleName() != button.toolTip())
        button.setAccessibleName(button.toolTip());
}

QWidget* FirstTabStop(QWidget& container) {
    for (QWidget* w = container.nextInFocusChain(); w != &container && container.isAncestorOf(w);
         w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&container) && w->isEnabled())
            return w;
    return &container;
}

void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

QLabel* BuddyLabel(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

QString WithoutMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}
