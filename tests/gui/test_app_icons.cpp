#include "gui/app/AppIcons.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// Pixels that are not transparent: the picture was drawn, not left empty.
int DrawnPixels(const QIcon& icon) {
    const QImage image = icon.pixmap(24, 24).toImage();
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return drawn;
}

QStringList OwnPictures() {
    return {
        QString::fromUtf16(AppIconName::kProgram),  QString::fromUtf16(AppIconName::kInstrument),
        QString::fromUtf16(AppIconName::kSessions), QString::fromUtf16(AppIconName::kSession),
        QString::fromUtf16(AppIconName::kTrend),    QString::fromUtf16(AppIconName::kTable),
        QString::fromUtf16(AppIconName::kMinMax),   QString::fromUtf16(AppIconName::kEdit)};
}

} // namespace

TEST(AppIcons, EveryCommandHasItsOwnPictureThatDrawsWithoutATheme) {
    QSet<QString> seen;
    for (int c = 0; c <= static_cast<int>(CommandType::About); ++c) {
        const auto command = static_cast<CommandType>(c);
        const QString name = CommandIconName(command);
        if (command == CommandType::ViewCustomise) {
            EXPECT_TRUE(name.isEmpty()) << "a menu entry only";
            continue;
        }
        ASSERT_FALSE(name.isEmpty()) << c;
        EXPECT_FALSE(seen.contains(name)) << "two commands look alike: " << name.toStdString();
        seen.insert(name);
        EXPECT_TRUE(QFile::exists(u":/icons/"_qs + name + u".svg"_qs)) << name.toStdString();
        // Drawn through the SVG icon engine, as on a desktop without an icon theme.
        EXPECT_GT(DrawnPixels(QIcon(u":/icons/"_qs + name + u".svg"_qs)), 40) << name.toStdString();
    }
    EXPECT_NE(CommandIconName(CommandType::FileClose), u"edit-cut"_qs);
}

TEST(AppIcons, PagesAndButtonsDrawTheirOwnPictures) {
    for (const QString& name : OwnPictures()) {
        EXPECT_TRUE(QFile::exists(u":/icons/"_qs + name + u".svg"_qs)) << name.toStdString();
        EXPECT_GT(DrawnPixels(AppIcon(name)), 40) << name.toStdString();
    }
}
