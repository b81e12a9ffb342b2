#include "core/common/FileNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
}

QString Safe(QString text) {
    MakeSafeName(text);
    return text;
}

} // namespace

TEST(FileNames, NextFreeFileName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();

    // A "_number" ending continues the series after it, even when the file itself is free.
    EXPECT_EQ(NextFreeFileName(d + "/data_7.xlsx"), d + "/data_8.xlsx");
    Touch(d + "/data_8.xlsx");
    EXPECT_EQ(NextFreeFileName(d + "/data_7.xlsx"), d + "/data_9.xlsx");

    EXPECT_EQ(NextFreeFileName(d + "/report.xlsx"), d + "/report.xlsx");
    Touch(d + "/report.xlsx");
    Touch(d + "/report_1.xlsx");
    EXPECT_EQ(NextFreeFileName(d + "/report.xlsx"), d + "/report_2.xlsx");
    // Digits without an underscore are part of the name.
    Touch(d + "/run7.vx");
    EXPECT_EQ(NextFreeFileName(d + "/run7.vx"), d + "/run7_1.vx");

    // The dot of the folder is no extension.
    ASSERT_TRUE(QDir(d).mkdir("my.folder"));
    EXPECT_EQ(NextFreeFileName(d + "/my.folder/readme"), d + "/my.folder/readme");
    Touch(d + "/my.folder/readme");
    EXPECT_EQ(NextFreeFileName(d + "/my.folder/readme"), d + "/my.folder/readme_1");
    Touch(d + "/.hidden");
    EXPECT_EQ(NextFreeFileName(d + "/.hidden"), d + "/.hidden_1");

    EXPECT_EQ(UniqueFileName(d + "/data_8.xlsx"), d + "/data_8_1.xlsx");
    EXPECT_EQ(UniqueFileName(d + "/data_5.xlsx"), d + "/data_5.xlsx");
}

TEST(FileNames, NameAndPathTexts) {
    EXPECT_EQ(AppendNameNumber("Sheet3", 1), "Sheet4");
    EXPECT_EQ(AppendNameNumber("Sheet3", 10), "Sheet10");
    EXPECT_EQ(AppendNameNumber("Data", 2), "Data2");
    EXPECT_EQ(AppendNameNumber("log9.txt", 1), "log10.txt");
    // Only nine digits are read, so the number cannot overflow.
    EXPECT_EQ(AppendNameNumber("a9999999999", 1), "a91000000000");

    EXPECT_EQ(Safe("Temp: 12.5 °C"), "Temp 125 °C");
    EXPECT_EQ(Safe("a/b\\c?d|e>f<g*h\"i:j"), "abcdefghij");
    EXPECT_EQ(Safe("Start: - - - / x-y"), "Start NA  xy");

    EXPECT_EQ(StripExtension("/a/b.tar.gz"), "/a/b.tar");
    EXPECT_EQ(StripExtension("/a.b/c"), "/a");
    EXPECT_EQ(FileNameOfPath("/a/b/c.vx"), "c.vx");
    EXPECT_EQ(FileNameOfPath("c.vx"), "c.vx");
    EXPECT_EQ(ParentFolder("/a/b/c.vx"), "/a/b");
    EXPECT_EQ(ParentFolder("c.vx"), "");
}

TEST(FileNames, FolderExists) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Touch(dir.path() + "/file");
    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_TRUE(FolderExists(dir.path() + "/"));
    EXPECT_TRUE(FolderExists("/"));
    EXPECT_FALSE(FolderExists(dir.path() + "/file"));
    EXPECT_FALSE(FolderExists(dir.path() + "/missing"));
    EXPECT_FALSE(FolderExists(""));
}
