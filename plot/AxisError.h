#pragma once
// The axis control's own exception: a log scale with a non-positive end, a bad tick index.

#include "platform/Errors.h"

class EAxisError : public EError {
public:
    using EError::EError;
};
