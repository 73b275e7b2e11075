#pragma once
#include "TNamedError.h"

// Raised when the program was asked to end at once but the installed terminate function returned
// (only tests install such a function); nothing after the request may run.
using EProgramTerminated = TNamedError<struct EProgramTerminatedTag>;
