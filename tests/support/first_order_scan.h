// The control scan in its first order: each class opened with full access,
// then asked for "Control" and "InprocServer32". Kept as the reference the
// scan in its present order is checked and measured against.
#pragma once

#include "controls.h"

ResultCode ScanInFirstOrder(ControlSink sink, void* context);
