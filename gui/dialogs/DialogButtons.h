#pragma once

#include <QtGlobal>
#include <functional>

class QDialog;
class QDialogButtonBox;

// How a dialog's "Aide" button reaches the help page at one context.
using HelpOpener = std::function<void(quint32 contextId)>;

// "OK", "Annuler" and "Aide" for `dialog`: OK and Annuler go through its accept() and reject();
// Aide calls `openHelp` with `helpContext` and stays disabled when there is no opener.
QDialogButtonBox* MakeDialogButtons(QDialog& dialog, const HelpOpener& openHelp,
                                    quint32 helpContext);
