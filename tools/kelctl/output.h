// output.h - what kelctl shows, described once and printed as text or JSON.
//
// A show command describes each of its tables once, as a list of columns:
// the JSON key, the heading, the JSON type and how the value is got from a
// row. It reads its rows from the switch, turns them into Sections with
// table_of() or record_of(), and hands the sections to show(), which prints
// them as aligned text or, with -j, as one JSON document:
//   - a table is an array of objects, a record an object;
//   - a document of one section is that section; of several, an object with
//     one member per section (a record keyed "" lends its members to it).
// A Value carries both forms: the JSON value (number, text, boolean, list,
// null, nested rows) and the text a person reads ("30 s", "-", "enabled").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelctl {

// The JSON type of a column, as the man page documents it.
enum class Type : uint8_t {
    number,   // a whole number (null when absent)
    text,     // a string (null when absent)
    boolean,  // true or false
    numbers,  // an array of numbers (VLAN ids)
    texts,    // an array of strings (port names, state bits)
    rows,     // an array of objects: a nested table
};

struct Section;

struct Value {
    Type type = Type::text;
    bool null = false;
    int64_t number = 0;
    std::string text;  // Type::text: the JSON string
    std::vector<int64_t> numbers;
    std::vector<std::string> texts;
    std::shared_ptr<Section> rows;
    std::string shown;  // what the text printer writes

    static Value num(int64_t n, const char *unit = "");  // shown "30 s" with unit " s"
    static Value str(std::string s);
    static Value flag(bool on, const char *yes = "yes", const char *no = "no");
    static Value none(Type type, std::string shown = "-");  // JSON null
    static Value list(std::vector<int64_t> ids, std::string shown);
    static Value list(std::vector<std::string> items, std::string shown);
    static Value nested(Section rows);
};

struct Field {
    const char *key;      // JSON key, lower_case_with_underscores
    const char *heading;  // text heading (the label of a record's line)
    Type type;
    bool in_text;  // false: only in JSON (a part of a value the text shows in another column)
};

// A column of rows of type R: its field and how a row's value is got.
template <class R>
struct Column {
    const char *key;
    const char *heading;
    Type type;
    Value (*get)(const R &row);
    bool in_text = true;
};

struct Section {
    enum class Kind : uint8_t { table, record } kind = Kind::table;
    const char *key = "";  // member of a document of several sections
    std::string title;     // a record's heading line in text ("Spanning tree")
    std::vector<Field> fields;
    std::vector<std::vector<Value>> rows;  // a record has one
    // Text only: a record written as one sentence instead of a table; a
    // table whose rows are each a caption and the row's nested table.
    std::string (*sentence)(const std::vector<Value> &row) = nullptr;
    std::string (*caption)(const std::vector<Value> &row) = nullptr;
};

template <class R, size_t N>
Section table_of(const Column<R> (&columns)[N], const std::vector<R> &rows, const char *key = "") {
    Section s;
    s.key = key;
    for (const Column<R> &c : columns) s.fields.push_back({c.key, c.heading, c.type, c.in_text});
    for (const R &r : rows) {
        std::vector<Value> values;
        for (const Column<R> &c : columns) values.push_back(c.get(r));
        s.rows.push_back(std::move(values));
    }
    return s;
}

template <class R, size_t N>
Section record_of(const Column<R> (&columns)[N], const R &row, std::string title, const char *key = "") {
    Section s = table_of(columns, std::vector<R>{row}, key);
    s.kind = Section::Kind::record;
    s.title = std::move(title);
    return s;
}

// How show() prints: text (the default), JSON (-j), pretty JSON (-p).
enum class Format : uint8_t { text, json, pretty };
void set_format(Format f);
Format format();

// Prints a document; sections are separated by a blank line in text.
void show(const std::vector<Section> &document);
inline void show(Section s) { show(std::vector<Section>{std::move(s)}); }

// A JSON string of any bytes: valid UTF-8 passes, control characters and
// bytes that are not UTF-8 are escaped (the latter as U+FFFD).
std::string json_string(const std::string &text);
// Length of the UTF-8 sequence that begins at text[i], 0 when none does
// (an overlong form, a surrogate and a code beyond U+10FFFF are none).
size_t utf8_length(const std::string &text, size_t i);

}  // namespace kelctl
