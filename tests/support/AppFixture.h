#pragma once

#include "engine/settings/AppState.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// While it lives, the application state starts fresh; what was there before
// comes back when it goes, whatever the test changed.
class AppStateGuard {
public:
    AppStateGuard() { resetAppState(); }
    ~AppStateGuard() { App() = m_saved; }
    AppStateGuard(const AppStateGuard &) = delete;
    AppStateGuard &operator=(const AppStateGuard &) = delete;

private:
    AppState m_saved = App();
};

// A fresh application state in English, with its settings file in a folder of
// its own and every message box scripted.
class AppFixture : public ::testing::Test {
protected:
    TempDir tmp;
    ScriptedMessages box;
    AppStateGuard state;

    void SetUp() override
    {
        App().LanguageIsGreek = false;
        App().SettingsFilePath = tmp.filePath("Orvanel.ini");
    }
};
