#pragma once

#include <initializer_list>

class QAbstractButton;
class QLabel;
class QString;
class QWidget;

// An icon-only button is named after its tool tip: a screen reader says a button's name, not
// its tip. Call it again whenever the tip changes.
void NameAfterToolTip(QAbstractButton& button);

// The first control Tab reaches inside `container`, shown and enabled; the container itself
// when it holds none. Focus sent to a page goes there, so that it lands on something that says
// what it is.
QWidget* FirstTabStop(QWidget& container);

// Tab moves through `widgets` in this order, whatever order they were created in. Qt 6.4 leaves
// a widget where it is when it comes just before the one it is to follow: make such a pair in
// the order it shows instead.
void ChainTabOrder(std::initializer_list<QWidget*> widgets);

// A label that names `field` for a screen reader and moves the focus to it on its mnemonic.
QLabel* BuddyLabel(const QString& text, QWidget* field, QWidget* parent);

// A label's text as it reads: without the mark of its mnemonic, "&&" standing for "&".
QString WithoutMnemonic(const QString& text);
