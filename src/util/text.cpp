// text.cpp - the user name, the strict decimal parser and the first-word
// isolator. None of them talks to the driver or keeps state.
#include "guard.h"

#include <cstdlib>
#include <cstring>

#include "kel.h"
#include "textclass.h"

extern "C" {

const char *kel_user(void) {
    const char *user = std::getenv("USER");
    if (!user) return "unknown";
    return std::strcmp(user, "root") == 0 ? "admin" : user;
}

int32_t kel_atoi(const char *text, int32_t *value) {
    if (!text || *text == '\0') return KEL_ERR_PARAM;
    const char *s = text;
    while (kel::is_blank(*s)) ++s;
    bool negative = false;
    if (*s == '-') {
        negative = true;
        ++s;
    }
    uint32_t acc = 0;  // modulo 2^32 by design: there is no overflow check
    for (; *s != '\0'; ++s) {
        if (!kel::is_digit(*s)) return KEL_ERR_FORMAT;
        acc = acc * 10u + static_cast<uint32_t>(*s - '0');
    }
    if (value) *value = static_cast<int32_t>(negative ? 0u - acc : acc);
    return 0;
}

char *kel_strtrim(char *text) {
    if (!text) return nullptr;
    char *s = text;
    while (kel::is_blank(*s)) ++s;
    if (*s == '\0' || kel::is_line_end(*s)) return nullptr;
    char *end = s;
    while (*end != '\0' && !kel::is_blank(*end) && !kel::is_line_end(*end)) ++end;
    if (*end != '\0') *end = '\0';
    return s;
}

}  // extern "C"
