// The system under test on Linux: the platform layer, which holds to the documented behaviour
// where wine does not.
#include "file_test.h"

namespace platform_test {

bool UnderWine() {
    return false;
}

bool ReadOnlyIsEnforced() {
    return true;
}

}  // namespace platform_test
