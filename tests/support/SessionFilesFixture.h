#pragma once

#include "core/doc/CVexloDoc.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionImageBuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A document without a logger, its settings in memory and the user's answers scripted, whose
// sessions the test builds, writes as files and opens as the user would.
class SessionFilesFixture : public testing::Test {
protected:
    // The session opened from the built image, written as the next "sN.vx".
    CRecSession& OpenBuilt(const SessionImageBuilder& builder) {
        const QString path = dir_.filePath(QStringLiteral("s%1.vx").arg(++files_));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(builder.Build());
        f.close();
        EXPECT_TRUE(doc_.OpenSessionFile(path, false));
        return *doc_.Sessions().back();
    }

    QTemporaryDir dir_;
    MemorySettingsStore settings_;
    FakeDriveBackend drives_;
    ManualClock clock_;
    ScriptedUserInterface ui_;
    CVexloDoc doc_{settings_, drives_, clock_, ui_};

private:
    int files_ = 0;
};
