#include "bench/runner/calendar_steps.h"

#include <cstdio>

bool HaveLibical() {
    return false;
}

int LibicalParseStep(const std::string&) {
    std::fputs("built without libical\n", stderr);
    return 2;
}

int LibicalSerializeStep(const std::string&, const std::string&) {
    return LibicalParseStep({});
}
