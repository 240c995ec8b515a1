#pragma once

#include "engine/settings/AppState.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A fresh application state in English, with its settings file in a folder of
// its own and every message box scripted.
class AppFixture : public ::testing::Test {
protected:
    TempDir tmp;
    ScriptedMessages box;

    void SetUp() override
    {
        resetAppState();
        App().LanguageIsGreek = false;
        App().SettingsFilePath = tmp.filePath("Orvanel.ini");
    }
    void TearDown() override { resetAppState(); }
};
