// Where the engine asks for intruder photos. The intruder module fills these in; until
// then no photo is taken and the lists stay empty.

#include "engine/vardo_service.h"

namespace vardo {

void VardoService::captureIntruderPhoto()
{
}

void VardoService::clearIntruderHistory()
{
}

void VardoService::dismissIntruderAlert()
{
    setShowIntruderAlert(false);
}

} // namespace vardo
