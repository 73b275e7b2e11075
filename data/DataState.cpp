#include "DataState.h"

#include "TSession.h"

void ResetDataState()
{
    TSession::Instance().Reset();
}
