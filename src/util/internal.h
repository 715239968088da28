// internal.h - helpers shared by the utilities but not exported: they keep
// the kel_ names under which the utilities know them, with hidden visibility.
#pragma once

#include "kel.h"

extern "C" {

// The short name of a long port name: its first two characters and its text
// from the first digit on. KEL_ERR_PARAM for null pointers, out_len below 8,
// a long name of fewer than three characters or without a digit, or a short
// name that does not fit out_len.
int32_t kel_ifname_shorten(const char *long_name, char *out, int32_t out_len);

}  // extern "C"
