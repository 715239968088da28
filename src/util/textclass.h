// textclass.h - the character classes of the library's text functions.
//
// Classes are those of the C default locale, fixed here so that no caller's
// locale changes what a name or number means. The blanks are space, tab and
// backspace; carriage return and line feed end a line but are not blanks.
#pragma once

namespace kel {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\b'; }
constexpr bool is_line_end(char c) { return c == '\r' || c == '\n'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool is_xdigit(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace kel
