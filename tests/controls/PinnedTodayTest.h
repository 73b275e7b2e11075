#pragma once
// Base of the date-control tests: "today" is 15 June 2026, dialogs go to a scripted prompt, and the
// program-wide state of the controls (short date format M/d/yyyy with "/" among it) is reset afterwards.
#include "ControlsState.h"
#include "DateTime.h"
#include "TPrompt.h"

#include <QDateTime>
#include <gtest/gtest.h>

class PinnedTodayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2026, 6, 15), QTime(10, 30)); });
        SetPrompt(&m_prompt);
    }
    void TearDown() override
    {
        ResetControlsState();
    }

    TScriptedPrompt m_prompt;
};
