#include "host_name.h"

#ifdef _WIN32
#include <cstdlib>
#else
#include <unistd.h>
#endif

namespace tavik::cli {

std::string HostName() {
#ifdef _WIN32
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
#else
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
#endif
}

}  // namespace tavik::cli
