// kel_cli_url_tokenize splits its input in place: every piece it reports
// must point into the text, and it may write only terminators there.
#include <cstdlib>

#include "kel.h"
#include "text_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Text text(data, size);
    size_t len = std::strlen(text.get());
    fuzz::Text before(data, size);
    char *pieces[5] = {};
    if (kel_cli_url_tokenize(text.get(), &pieces[0], &pieces[1], &pieces[2], &pieces[3], &pieces[4]) != 0)
        std::abort();
    if (!pieces[2]) std::abort();  // there is always a host, perhaps empty
    for (char *piece : pieces)
        if (piece && (piece < text.get() || piece > text.get() + len)) std::abort();
    for (size_t i = 0; i < len; ++i)
        if (text.get()[i] != before.get()[i] && text.get()[i] != '\0') std::abort();
    return 0;
}
