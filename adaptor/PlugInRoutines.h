#pragma once
// The routine lookup behind `_PI_GetRoutineDescriptor`: each selector of
// PiRoutineSelector answers a C function that forwards to the process-wide
// module or to one instance. Unknown selectors answer null.
#include <cstdint>

void* GetPlugInRoutine(std::int32_t selector);
