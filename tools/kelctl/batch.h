// batch.h - kelctl -b FILE: commands read from a file, one a line.
//
// The file is read whole and split into commands before any runs, as the
// shell splits a line: blanks separate words; '...' keeps everything
// literally; "..." too, but for \" \\ \$ \` (a backslash before another
// character stays); outside quotes a backslash keeps the next character; a
// backslash at the end of a line joins the next line to it; '#' at the
// start of a word begins a comment. Nothing is expanded. Blank lines and
// comments are skipped. A line ending in CR LF reads as one ending in LF.
//
// Limits, so that a wrong file is refused rather than read at length: the
// file at most kBatchMaxBytes, a command (with its continued lines) at most
// kBatchMaxLine bytes. A line holding a NUL byte or bytes that are not UTF-8,
// or a quote left open at the end of a command, is a fault of that line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "kelctl.h"

namespace kelctl {

constexpr size_t kBatchMaxBytes = 8u << 20;  // 8 MiB
constexpr size_t kBatchMaxLine = 64u << 10;  // 64 KiB

struct BatchCommand {
    size_t line;        // where it begins (where its fault is, for a fault)
    Args args;          // its words
    std::string fault;  // why it could not be read, "" when it could
};

// Splits the text of a batch into commands.
std::vector<BatchCommand> split_batch(const std::string &text);

// Reads a batch file ("-": standard input) whole: false, with a message, when
// it cannot be read or is larger than kBatchMaxBytes.
bool read_batch_file(const std::string &path, std::string *text);

}  // namespace kelctl
