#include "SystemServices.h"

#include "Paths.h"

namespace quillo {

std::string LinuxSystemServices::picturesDirectory() {
    return picturesDir();
}

}  // namespace quillo
