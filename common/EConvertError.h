#pragma once
#include "TNamedError.h"

// Raised when a text or a set of date elements does not convert to a value.
using EConvertError = TNamedError<struct EConvertErrorTag>;
