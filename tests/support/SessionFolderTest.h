#pragma once

#include "support/SessionImageBuilder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// A test with a private folder of built session files.
class SessionFolderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // The session of `b` written as `name` in the folder; its path.
    QString Write(const QString& name, const SessionImageBuilder& b) {
        const QString path = WriteSessionFile(dir_.filePath(name), b);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        return path;
    }

    QTemporaryDir dir_;
};
