#pragma once
#include "TNamedError.h"

// Raised when the configuration folder does not exist.
using EInvalidPath = TNamedError<struct EInvalidPathTag>;
