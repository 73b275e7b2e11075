#include "TClubFixture.h"

#include "DataState.h"

TClubFixture::TClubFixture() : TClubFolder(ResetDataState) {}

void TClubFixture::SetUp()
{
    CreateClub();
}

void TClubFixture::TearDown()
{
    ResetDataState();
}
