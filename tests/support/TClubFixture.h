#pragma once
// The club of the database layer's tests: the empty club tables in a temporary folder, registered as
// Brelmdata, with Exec and Rows to put rows in and read them back behind the layer's back. Made in
// SetUp; the layer's process-wide state is reset on both ends (ResetDataState).
#include "TClubFolder.h"

#include <gtest/gtest.h>

class TClubFixture : public ::testing::Test, protected TClubFolder
{
protected:
    TClubFixture();

    void SetUp() override;
    void TearDown() override;
};
