#include "gui/dialogs/ColourPalette.h"

#include "core/common/StringTable.h"
#include "gui/app/Accessibility.h"

#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

QColor ToQColor(ColorRef colour) {
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

ColorRef ToColorRef(const QColor& colour) {
    return MakeColorRef(colour.red(), colour.green(), colour.blue());
}

QIcon SwatchIcon(ColorRef colour, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(ToQColor(colour));
    QPainter painter(&pixmap);
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(QRect(QPoint(0, 0), size - QSize(1, 1)));
    painter.end();
    return QIcon(pixmap);
}

namespace {

// In the order of the names in the table's colour list, one name a line.
constexpr ColorRef kPaletteColours[] = {
    MakeColorRef(0, 0, 0),       MakeColorRef(64, 64, 64),    MakeColorRef(128, 128, 128),
    MakeColorRef(192, 192, 192), MakeColorRef(255, 255, 255), MakeColorRef(128, 0, 0),
    MakeColorRef(255, 0, 0),     MakeColorRef(255, 128, 0),

    MakeColorRef(255, 255, 0),   MakeColorRef(128, 128, 0),   MakeColorRef(0, 128, 0),
    MakeColorRef(0, 255, 0),     MakeColorRef(0, 128, 128),   MakeColorRef(0, 255, 255),
    MakeColorRef(0, 0, 128),     MakeColorRef(0, 0, 255),

    MakeColorRef(128, 192, 255), MakeColorRef(128, 0, 128),   MakeColorRef(255, 0, 255),
    MakeColorRef(255, 192, 203), MakeColorRef(255, 215, 0),   MakeColorRef(245, 245, 220),
    MakeColorRef(128, 64, 0),    MakeColorRef(64, 224, 208),
};

} // namespace

const QVector<NamedColour>& NamedColours() {
    static const QVector<NamedColour> colours = [] {
        const QStringList names = ResourceString(TextId::kColourNames).split(u'\n');
        QVector<NamedColour> named;
        for (std::size_t i = 0; i < std::size(kPaletteColours); ++i)
            named.push_back({kPaletteColours[i], names.value(static_cast<qsizetype>(i))});
        return named;
    }();
    return colours;
}

QString ColourName(ColorRef colour) {
    const QVector<NamedColour>& named = NamedColours();
    const auto it = std::find_if(named.begin(), named.end(),
                                 [colour](const NamedColour& n) { return n.colour == colour; });
    return it != named.end() ? it->name : ToQColor(colour).name();
}

ColourPalette::ColourPalette(QWidget* parent) : QWidget(parent) {
    const auto textButton = [this](const QString& text, const QString& name) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(text);
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return button;
    };

    QToolButton* automatic =
        textButton(TraceColorsDlgModel::AutomaticText(), QStringLiteral("automaticColour"));
    connect(automatic, &QToolButton::clicked, this, &ColourPalette::AutomaticChosen);

    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    const QVector<NamedColour>& named = NamedColours();
    for (int i = 0; i < named.size(); ++i) {
        auto* swatch = new QToolButton(this);
        swatch->setObjectName(QStringLiteral("paletteColour%1").arg(i));
        swatch->setIcon(SwatchIcon(named[i].colour, QSize(16, 16)));
        swatch->setToolTip(named[i].name);
        NameAfterToolTip(*swatch);
        swatch->setAutoRaise(true);
        const ColorRef colour = named[i].colour;
        connect(swatch, &QToolButton::clicked, this, [this, colour] { emit ColourChosen(colour); });
        grid->addWidget(swatch, i / TraceColorsDlgModel::kPaletteColumns,
                        i % TraceColorsDlgModel::kPaletteColumns);
    }

    QToolButton* more =
        textButton(TraceColorsDlgModel::OtherColoursText(), QStringLiteral("moreColours"));
    connect(more, &QToolButton::clicked, this, &ColourPalette::MoreColoursRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(automatic);
    layout->addLayout(grid);
    layout->addWidget(more);
}
