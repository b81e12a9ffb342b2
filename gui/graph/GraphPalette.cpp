#include "gui/graph/GraphPalette.h"

#include <QPalette>

namespace {

ColorRef ToColorRef(const QColor& c) {
    return MakeColorRef(c.red(), c.green(), c.blue());
}

} // namespace

bool IsDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

GraphTheme GraphThemeOf(const QPalette& palette) {
    if (!IsDarkPalette(palette))
        return {};
    return {true, ToColorRef(palette.color(QPalette::Window)),
            ToColorRef(palette.color(QPalette::WindowText))};
}

QPalette DarkPalette() {
    QPalette p;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(225, 225, 225);
    const QColor disabled(130, 130, 130);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 110, 100));
    p.setColor(QPalette::Light, QColor(70, 70, 74));
    p.setColor(QPalette::Midlight, QColor(60, 60, 64));
    p.setColor(QPalette::Mid, QColor(35, 35, 38));
    p.setColor(QPalette::Dark, QColor(20, 20, 22));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(100, 170, 240));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}
