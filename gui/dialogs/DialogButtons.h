#pragma once

#include <QtGlobal>
#include <functional>

class QDialog;
class QDialogButtonBox;
class QString;
class QWidget;

// How a dialog's "Aide" button reaches the help page at one context.
using HelpOpener = std::function<void(quint32 contextId)>;

// "OK", "Annuler" and "Aide" for `dialog`: OK and Annuler go through its accept() and reject();
// Aide calls `openHelp` with `helpContext` and stays disabled when there is no opener.
QDialogButtonBox* MakeDialogButtons(QDialog& dialog, const HelpOpener& openHelp,
                                    quint32 helpContext);

// What is wrong on OK: the field at fault (when given) takes the focus with its text selected,
// and a window-modal message opens without blocking, the dialog staying open behind it. A
// critical problem is one the user cannot mend in the dialog.
void ShowDialogProblem(QDialog& dialog, QWidget* field, const QString& message,
                       bool critical = false);
