#pragma once
// The save path's tests: the process-wide filter library emptied for the test and restored after
// it, a scripted prompt and a temporary folder.
#include "TFilterLibrary.h"
#include "TPrompt.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class TSavePathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = FilterLibrary().Entries();
        FilterLibrary().Clear();
        SetPrompt(&Prompt);
    }
    void TearDown() override
    {
        SetPrompt(nullptr);
        FilterLibrary().Clear();
        for (const TFilterEntry& entry : m_saved)
            FilterLibrary().RegisterFilterClass(entry.ClassName, entry.Create);
    }

    TScriptedPrompt Prompt;
    QTemporaryDir Dir;

private:
    QList<TFilterEntry> m_saved;
};
