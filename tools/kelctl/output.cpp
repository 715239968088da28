// output.cpp - the text and JSON printers of kelctl's sections (output.h).
#include "output.h"

#include <algorithm>
#include <cstdio>

#include "kelctl.h"

namespace kelctl {

namespace {

Format current_format = Format::text;

// ---- Text --------------------------------------------------------------------

// Aligned columns, two blanks apart, trailing blanks cut; cells made printable.
void print_aligned(const std::vector<std::vector<std::string>> &rows, const std::string &indent) {
    std::vector<size_t> width;
    for (const auto &row : rows)
        for (size_t i = 0; i < row.size(); ++i) {
            if (width.size() <= i) width.push_back(0);
            width[i] = std::max(width[i], printable(row[i]).size());
        }
    for (const auto &row : rows) {
        std::string line = indent;
        for (size_t i = 0; i < row.size(); ++i) {
            std::string cell = printable(row[i]);
            line += cell;
            if (i + 1 < row.size()) line += std::string(width[i] - cell.size() + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        write_out(line + "\n");
    }
}

void print_text(const Section &s, const std::string &indent = "") {
    if (s.kind == Section::Kind::record) {
        const std::vector<Value> &row = s.rows.front();
        if (s.sentence) {
            write_out(indent + printable(s.sentence(row)) + "\n");
            return;
        }
        std::vector<std::vector<std::string>> lines{{s.title, ""}};
        for (size_t i = 0; i < s.fields.size(); ++i)
            if (s.fields[i].in_text) lines.push_back({s.fields[i].heading, row[i].shown});
        print_aligned(lines, indent);
        return;
    }
    if (s.caption) {  // each row: its caption, then its nested rows indented
        for (size_t r = 0; r < s.rows.size(); ++r) {
            if (r) write_out("\n");
            write_out(indent + printable(s.caption(s.rows[r])) + "\n");
            for (const Value &v : s.rows[r])
                if (v.type == Type::rows && v.rows) print_text(*v.rows, indent + "  ");
        }
        return;
    }
    std::vector<std::vector<std::string>> lines(1);
    for (const Field &f : s.fields)
        if (f.in_text) lines[0].push_back(f.heading);
    for (const auto &row : s.rows) {
        lines.emplace_back();
        for (size_t i = 0; i < s.fields.size(); ++i)
            if (s.fields[i].in_text) lines.back().push_back(row[i].shown);
    }
    print_aligned(lines, indent);
}

// ---- JSON ----------------------------------------------------------------------

class Json {
public:
    explicit Json(bool pretty) : pretty_(pretty) {}
    std::string out;

    void section(const Section &s) {
        if (s.kind == Section::Kind::record) {
            open('{');
            members(s, s.rows.front());
            close('}');
            return;
        }
        open('[');
        for (const auto &row : s.rows) {
            item();
            open('{');
            members(s, row);
            close('}');
        }
        close(']');
    }

    // Several sections: one object, a record keyed "" lending its members.
    void document(const std::vector<Section> &doc) {
        open('{');
        for (const Section &s : doc) {
            if (s.kind == Section::Kind::record && !*s.key) {
                members(s, s.rows.front());
                continue;
            }
            key(s.key);
            section(s);
        }
        close('}');
    }

private:
    bool pretty_;
    int depth_ = 0;
    bool first_ = true;

    void newline() {
        if (pretty_) out += "\n" + std::string(2 * static_cast<size_t>(depth_), ' ');
    }
    void open(char c) {
        out += c;
        ++depth_;
        first_ = true;
    }
    void close(char c) {
        --depth_;
        if (!first_) newline();
        out += c;
        first_ = false;
    }
    void item() {
        if (!first_) out += ',';
        newline();
        first_ = false;
    }
    void key(const char *k) {
        item();
        out += json_string(k) + (pretty_ ? ": " : ":");
    }
    void members(const Section &s, const std::vector<Value> &row) {
        for (size_t i = 0; i < s.fields.size(); ++i) {
            key(s.fields[i].key);
            value(row[i]);
        }
    }
    void value(const Value &v) {
        if (v.null) {
            out += "null";
            return;
        }
        switch (v.type) {
            case Type::number:
                out += std::to_string(v.number);
                break;
            case Type::text:
                out += json_string(v.text);
                break;
            case Type::boolean:
                out += v.number ? "true" : "false";
                break;
            case Type::numbers:
                out += '[';
                for (size_t i = 0; i < v.numbers.size(); ++i)
                    out += (i ? "," : "") + std::to_string(v.numbers[i]);
                out += ']';
                break;
            case Type::texts:
                out += '[';
                for (size_t i = 0; i < v.texts.size(); ++i) out += (i ? "," : "") + json_string(v.texts[i]);
                out += ']';
                break;
            case Type::rows:
                section(*v.rows);
                break;
        }
        first_ = false;
    }
};

}  // namespace

Value Value::num(int64_t n, const char *unit) {
    Value v;
    v.type = Type::number;
    v.number = n;
    v.shown = std::to_string(n) + unit;
    return v;
}

Value Value::str(std::string s) {
    Value v;
    v.shown = s;
    v.text = std::move(s);
    return v;
}

Value Value::flag(bool on, const char *yes, const char *no) {
    Value v;
    v.type = Type::boolean;
    v.number = on;
    v.shown = on ? yes : no;
    return v;
}

Value Value::none(Type type, std::string shown) {
    Value v;
    v.type = type;
    v.null = true;
    v.shown = std::move(shown);
    return v;
}

Value Value::list(std::vector<int64_t> ids, std::string shown) {
    Value v;
    v.type = Type::numbers;
    v.numbers = std::move(ids);
    v.shown = std::move(shown);
    return v;
}

Value Value::list(std::vector<std::string> items, std::string shown) {
    Value v;
    v.type = Type::texts;
    v.texts = std::move(items);
    v.shown = std::move(shown);
    return v;
}

Value Value::nested(Section rows) {
    Value v;
    v.type = Type::rows;
    v.rows = std::make_shared<Section>(std::move(rows));
    return v;
}

void set_format(Format f) { current_format = f; }
Format format() { return current_format; }

void show(const std::vector<Section> &document) {
    if (current_format == Format::text) {
        for (size_t i = 0; i < document.size(); ++i) {
            if (i) write_out("\n");
            print_text(document[i]);
        }
        return;
    }
    Json j(current_format == Format::pretty);
    if (document.size() == 1)
        j.section(document.front());
    else
        j.document(document);
    write_out(j.out + "\n");
}

size_t utf8_length(const std::string &text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    unsigned char d = byte(i + 1);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) ||
        (c == 0xF4 && d > 0x8F))
        return 0;  // overlong, a surrogate, or beyond U+10FFFF
    return n;
}

std::string json_string(const std::string &text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else if (c >= 0x80) {
            size_t n = utf8_length(text, i);
            out += n ? text.substr(i, n) : "\\ufffd";
            i += n ? n : 1;
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

}  // namespace kelctl
