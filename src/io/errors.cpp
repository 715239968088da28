// errors.cpp - the table of error texts and its lookup.
#include "../util/guard.h"

#include "kel.h"

extern "C" {

const kel_errtext kel_error[1] = {{0, "no error"}};

const char *kel_errstr(int32_t code) {
    return code == kel_error[0].code ? kel_error[0].text : "unknown error number";
}

}  // extern "C"
