#include "gui/dialogs/CVXTraceColorsDlg.h"

#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "gui/dialogs/ColourPalette.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidgetAction>

CVXTraceColorsDlg::CVXTraceColorsDlg(TraceColorsDlgModel& model, const HelpOpener& openHelp,
                                     QWidget* parent)
    : QDialog(parent), model_(model), list_(new QTreeWidget(this)), paletteMenu_(new QMenu(this)) {
    setWindowTitle(TraceColorsDlgModel::Title());

    list_->setObjectName(QStringLiteral("colourList"));
    list_->setAccessibleName(ResourceString(TextId::kTraceColourListName));
    list_->setColumnCount(2);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setMinimumWidth(320);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->viewport()->installEventFilter(this);
    for (int row = 0; row < model_.Count(); ++row) {
        auto* item = new QTreeWidgetItem(list_, {model_.Name(row)});
        auto* swatch = new QToolButton(list_);
        swatch->setObjectName(QStringLiteral("colour%1").arg(row));
        swatch->setIconSize(kSwatchSize);
        connect(swatch, &QToolButton::clicked, this, [this, row] { OpenPalette(row); });
        list_->setItemWidget(item, 1, swatch);
        swatches_.append(swatch);
    }

    auto* palette = new ColourPalette;
    auto* paletteAction = new QWidgetAction(paletteMenu_);
    paletteAction->setDefaultWidget(palette);
    paletteMenu_->addAction(paletteAction);
    connect(palette, &ColourPalette::ColourChosen, this, [this](ColorRef colour) {
        paletteMenu_->close();
        model_.Choose(paletteRow_, colour);
        RefreshSwatches();
    });
    connect(palette, &ColourPalette::AutomaticChosen, this, [this] {
        paletteMenu_->close();
        model_.ChooseAutomatic(paletteRow_);
        RefreshSwatches();
    });
    // The chooser opens once the menu has gone, not from inside it.
    connect(palette, &ColourPalette::MoreColoursRequested, this, [this] {
        paletteMenu_->close();
        QMetaObject::invokeMethod(this, &CVXTraceColorsDlg::ChooseOtherColour,
                                  Qt::QueuedConnection);
    });

    QDialogButtonBox* buttons = MakeDialogButtons(*this, openHelp, HelpContext::kColoursDialog);
    QPushButton* defaults =
        buttons->addButton(TraceColorsDlgModel::DefaultsButtonText(), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("defaultsButton"));
    connect(defaults, &QPushButton::clicked, this, [this] {
        model_.ResetToDefaults();
        RefreshSwatches();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    RefreshSwatches();
}

bool CVXTraceColorsDlg::Run(TraceColorsDlgModel& model, QWidget* parent, HelpOpener openHelp) {
    CVXTraceColorsDlg dialog(model, openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool CVXTraceColorsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize)
        SizeColumns();
    return QDialog::eventFilter(watched, event);
}

void CVXTraceColorsDlg::OpenPalette(int row) {
    paletteRow_ = row;
    const QToolButton* swatch = swatches_.at(row);
    paletteMenu_->popup(swatch->mapToGlobal(QPoint(0, swatch->height())));
}

void CVXTraceColorsDlg::ChooseOtherColour() {
    const QColor chosen = QColorDialog::getColor(ToQColor(model_.EffectiveColour(paletteRow_)),
                                                 this, TraceColorsDlgModel::OtherColoursText());
    if (!chosen.isValid())
        return;
    model_.Choose(paletteRow_, ToColorRef(chosen));
    RefreshSwatches();
}

void CVXTraceColorsDlg::RefreshSwatches() {
    for (int row = 0; row < swatches_.size(); ++row) {
        const ColorRef colour = model_.EffectiveColour(row);
        swatches_[row]->setIcon(SwatchIcon(colour, kSwatchSize));
        swatches_[row]->setToolTip(model_.Choice(row) ? ColourName(colour)
                                                      : TraceColorsDlgModel::AutomaticText());
        // The swatch sits in its entry's row, which a screen reader does not say with it.
        swatches_[row]->setAccessibleName(
            FormatResource(TextId::kLabelledFigure, {model_.Name(row), swatches_[row]->toolTip()}));
    }
}

void CVXTraceColorsDlg::SizeColumns() {
    const int width = list_->viewport()->width();
    const int nameWidth = width * TraceColorsDlgModel::kNameColumnPercent / 100;
    list_->setColumnWidth(0, nameWidth);
    list_->setColumnWidth(1, width - nameWidth);
}
