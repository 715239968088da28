// batch.cpp - reading and splitting kelctl's batch files (batch.h).
#include "batch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kelctl {

namespace {

// Why a physical line cannot be read ("" when it can).
std::string line_fault(const std::string &text, size_t begin, size_t end) {
    if (std::memchr(text.data() + begin, '\0', end - begin)) return "a NUL byte in the line";
    for (size_t i = begin; i < end;) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t n = utf8_length(text, i);
        if (n == 0 || i + n > end) return "bytes that are not UTF-8 in the line";
        i += n;
    }
    return "";
}

// Splits commands, one physical line at a time (state carries over a
// continued line).
class Splitter {
public:
    std::vector<BatchCommand> out;

    void line(const std::string &text, size_t begin, size_t end, size_t number) {
        if (!started_) start(number);
        length_ += end - begin;
        if (fault_.empty()) fault_ = line_fault(text, begin, end);
        if (fault_.empty() && length_ > kBatchMaxLine)
            fault_ = "the command is longer than " + std::to_string(kBatchMaxLine) + " bytes";
        if (!fault_.empty()) {
            fault_line_ = fault_line_ ? fault_line_ : number;
            if (end > begin && text[end - 1] == '\\') return;  // the fault spans the continued lines
            finish();
            return;
        }
        if (scan(text, begin, end)) return;  // continued on the next line
        if (quote_) fault_ = "a quote is not closed", fault_line_ = number;
        finish();
    }

    void end_of_text() {
        if (started_) finish();
    }

private:
    bool started_ = false;
    size_t first_ = 0, fault_line_ = 0, length_ = 0;
    std::string fault_;
    Args words_;
    std::string word_;
    bool in_word_ = false;
    char quote_ = 0;

    void start(size_t number) {
        started_ = true;
        first_ = number;
        fault_line_ = length_ = 0;
        fault_.clear();
        words_.clear();
        word_.clear();
        in_word_ = false;
        quote_ = 0;
    }

    void end_word() {
        if (in_word_) words_.push_back(word_);
        word_.clear();
        in_word_ = false;
    }

    void finish() {
        end_word();
        if (!fault_.empty())
            out.push_back({fault_line_, {}, fault_});
        else if (!words_.empty())
            out.push_back({first_, words_, ""});
        started_ = false;
    }

    // The characters of one line; true when a final backslash continues it.
    bool scan(const std::string &t, size_t i, size_t end) {
        for (; i < end; ++i) {
            char c = t[i];
            bool last = i + 1 == end;
            if (quote_ == '\'') {
                if (c == '\'')
                    quote_ = 0;
                else
                    word_ += c;
            } else if (quote_ == '"') {
                if (c == '"') {
                    quote_ = 0;
                } else if (c == '\\' && last) {
                    return true;
                } else if (c == '\\' && std::strchr("\"\\$`", t[i + 1])) {
                    word_ += t[++i];
                } else {
                    word_ += c;
                }
            } else if (c == ' ' || c == '\t') {
                end_word();
            } else if (c == '#' && !in_word_) {
                return false;  // a comment to the end of the line
            } else if (c == '\\') {
                if (last) return true;
                word_ += t[++i];
                in_word_ = true;
            } else {
                if (c == '\'' || c == '"')
                    quote_ = c;
                else
                    word_ += c;
                in_word_ = true;
            }
        }
        return false;
    }
};

}  // namespace

std::vector<BatchCommand> split_batch(const std::string &text) {
    Splitter s;
    size_t number = 0;
    for (size_t begin = 0; begin < text.size();) {
        size_t nl = text.find('\n', begin);
        size_t end = nl == std::string::npos ? text.size() : nl;
        size_t stop = end > begin && text[end - 1] == '\r' ? end - 1 : end;
        s.line(text, begin, stop, ++number);
        begin = nl == std::string::npos ? text.size() : nl + 1;
    }
    s.end_of_text();
    return s.out;
}

bool read_batch_file(const std::string &path, std::string *text) {
    bool in = path == "-";
    std::FILE *f = in ? stdin : std::fopen(path.c_str(), "rb");
    if (!f) {
        say("cannot open the batch file " + path + ": " + std::strerror(errno));
        return false;
    }
    text->clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text->size() <= kBatchMaxBytes)
        text->append(buf, n);
    bool failed = std::ferror(f) != 0;
    int err = errno;
    if (!in) std::fclose(f);
    std::string name = in ? "standard input" : path;
    if (failed) {
        say("cannot read the batch from " + name + ": " + std::strerror(err));
        return false;
    }
    if (text->size() > kBatchMaxBytes) {
        say("the batch in " + name + " is larger than " + std::to_string(kBatchMaxBytes) +
            " bytes (8 MiB); split it into smaller batches");
        return false;
    }
    return true;
}

}  // namespace kelctl
