#include "ControlsState.h"

#include "CommonState.h"
#include "TCustomGrid.h"
#include "VellPop.h"

void ResetControlsState()
{
    ResetCommonState();
    TvcPopup::SetFrameProbe({});
    TCustomGrid::SetAccessibleEventSink({});
}
