#include "platform/authenticator.h"

#include <cstring>

namespace vardo {

void wipeSecret(std::string &secret)
{
    // explicit_bzero is never optimised away, unlike a memset before the free.
    explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

} // namespace vardo
