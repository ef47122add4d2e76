// Runtime calendar functions, backed by tzset(3) and localtime_r(3).
#include "platform.h"

std::tm* _localtime32(const std::int32_t* time) {
    static thread_local std::tm result;
    if (*time < 0) {
        return nullptr;
    }
    tzset();  // follow TZ as it stands now
    const std::time_t t = *time;
    return localtime_r(&t, &result);
}
