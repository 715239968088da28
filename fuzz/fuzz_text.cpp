// kel_atoi and kel_strtrim on any text. kel_strtrim writes one terminator
// into its input: it must land inside the text and the word it returns must
// be blank-free and lie inside the text too.
#include <cstdlib>

#include "kel.h"
#include "text_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Text text(data, size);
    int32_t value = 0x5A5A5A5A;
    int32_t rc = kel_atoi(text.get(), &value);
    if (rc != 0 && rc != KEL_ERR_PARAM && rc != KEL_ERR_FORMAT) std::abort();
    if (rc != 0 && value != 0x5A5A5A5A) std::abort();  // untouched on error
    if (kel_atoi(text.get(), nullptr) != rc) std::abort();

    size_t len = std::strlen(text.get());
    char *word = kel_strtrim(text.get());
    if (word) {
        if (word < text.get() || word >= text.get() + len || !*word) std::abort();
        for (const char *c = word; *c; ++c)
            if (*c == ' ' || *c == '\t' || *c == '\b' || *c == '\r' || *c == '\n') std::abort();
    }
    return 0;
}
