#include "platform/secret_item_labels.h"

namespace vardo {

std::string secretItemLabel(const std::string &service, const std::string &account)
{
    if (service == "com.nerova.vardo.face-embeddings-v2")
        return "Nerova Vardo face data";
    if (service == "com.nerova.vardo.state" && account == "failed_attempts")
        return "Nerova Vardo failed face matches";
    if (service == "com.nerova.vardo.state" && account == "lockout_time")
        return "Nerova Vardo face lockout time";
    return "Nerova Vardo " + service + " " + account;
}

} // namespace vardo
