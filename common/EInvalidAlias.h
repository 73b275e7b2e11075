#pragma once
#include "TNamedError.h"

// Raised when the database alias the configuration store needs does not exist.
using EInvalidAlias = TNamedError<struct EInvalidAliasTag>;
