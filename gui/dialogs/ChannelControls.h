#pragma once

class QBoxLayout;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QWidget;

// The controls the session parameters window and the configuration window share.

// The radios "J" to "S" (thermocouple indexes 0 to 6) into `row`, with `checked` chosen;
// none is for a type without a button (B).
QButtonGroup* AddThermocoupleButtons(QWidget& group, QBoxLayout& row, int checked);

// "Filtre": the sizes "1" to "10" and the label "Point"; `combo` receives the list.
QGroupBox* MakeFilterGroup(QWidget& parent, int index, QComboBox*& combo);
