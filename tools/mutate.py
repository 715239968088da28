#!/usr/bin/env python3
"""mutate.py - how many planted faults the tests catch (the mutation leg).

Makes mutants from the C and C++ sources of src/ and sim/: relational,
arithmetic, bitwise and logical operators flipped, integer and character
constants +-1 (command codes become their neighbours), the request block's
named word slots swapped for a neighbour, if/while conditions negated,
early returns removed, true and false swapped. A fixed seed picks a sample.
Each mutant is written into a copy of the tree (build/mutation/tree, kept in
sync with the working tree, which is never written), built incrementally in
build/mutation/build, and run against the whole test suite: the GoogleTest
suites and fuzz replays first, the end-to-end scripts after, stopping at the
first failure, with a time limit per test so that a hang counts as caught.

  killed     a test failed, crashed or ran out of time
  survived   every test passed
  stillborn  the mutant does not build (-Werror, as every build of the project)
  equivalent listed, with the reason it cannot change behaviour, in
             tests/mutation-equivalent.txt; reported apart, not a survivor

Prints the kill rate, killed / (killed + survived), per directory and every
survivor as FILE:LINE:COL: KIND (ORIGINAL -> MUTANT).

  tools/mutate.py                            the CI sample (src=20,sim=10, seed 9)
  tools/mutate.py --sample src=200,sim=100   200 mutants from src/, 100 from sim/
  tools/mutate.py --sample all               every mutant (hours)
  tools/mutate.py --filter src/util/ --sample 50
  tools/mutate.py --filter 'scan\.h:19:' --sample all   the mutants of one line
  tools/mutate.py --self-test                the tool's own check, then the sample
  tools/mutate.py --list --sample all        the mutants, without building anything
  tools/mutate.py --min-kill src=85          exit 1 when src/ kills less than 85%

Environment: KEL_MUTANTS (--sample), KEL_MUTATION_SEED (--seed),
KEL_MUTATION_FILTER (--filter: a regular expression searched in each
mutant's label, so a path, a line or a kind of mutant). Exit status: 0 done, 1 a --min-kill not met,
2 the tool could not do its job (the unmutated tree fails its tests, the
self-test failed, bad arguments).
"""

import argparse
import bisect
import collections
import fcntl
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "mutation")  # --work: the copy of the tree, its build, the report
TREE = os.path.join(WORK, "tree")
BUILD = os.path.join(WORK, "build")
EQUIVALENT = "tests/mutation-equivalent.txt"
SCOPE = ("src/", "sim/")
SOURCE_SUFFIXES = (".c", ".cpp", ".h")
E2E_TESTS = "end_to_end|install_consumer"  # the shell scripts; run after the suites

# The mutation build: the project's own warnings as errors (but for the
# advice on parentheses, which a flipped && or || draws without changing its
# meaning), optimised lightly so that a file compiles fast, no benchmarks or
# static library, executables not relinked when only libkel.so changed, and
# the faster gold linker for the many relinks a change in sim/ brings.
CONFIGURE = [
    "-G", "Ninja", "-DCMAKE_BUILD_TYPE=None",
    "-DCMAKE_C_FLAGS=-O1 -Wno-parentheses", "-DCMAKE_CXX_FLAGS=-O1 -Wno-parentheses",
    "-DKEL_WERROR=ON", "-DKEL_BUILD_BENCH=OFF", "-DKEL_BUILD_STATIC=OFF",
    "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON", "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold",
    "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=gold",
]


# ---------------------------------------------------------------- lexing

Token = collections.namedtuple("Token", "kind text start end")

TOKEN_RE = re.compile(r"""
    (?P<space>\s+)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>(?:u8|[uUL])?R"(?P<delim>[^(\s]*)\(.*?\)(?P=delim)"|(?:u8|[uUL])?"(?:\\.|[^"\\\n])*")
  | (?P<char>(?:u8|[uUL])?'(?:\\.|[^'\\\n])+')
  | (?P<number>(?:0[xX][0-9a-fA-F']+[uUlL]*|\.?\d(?:[eEpP][+-]|[\w.'])*))
  | (?P<ident>[A-Za-z_]\w*)
  | (?P<punct>>>=|<<=|->\*|\.\*|\.\.\.|::|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^]=|[-+*/%&|^~!<>=?:;,.()\[\]{}])
""", re.S | re.X)
DIRECTIVE_RE = re.compile(r"#(?:\\\n|[^\n])*")


def tokenize(text):
    """The tokens of a C or C++ source; comments and white space dropped,
    each preprocessor directive one token of kind 'directive'."""
    tokens, pos, line_start = [], 0, True
    while pos < len(text):
        if line_start and text[pos] == "#":
            m = DIRECTIVE_RE.match(text, pos)
            tokens.append(Token("directive", m.group(), pos, m.end()))
            pos = m.end()
            continue
        m = TOKEN_RE.match(text, pos)
        if not m:
            raise ValueError("cannot read the source at offset %d" % pos)
        kind = m.lastgroup if m.lastgroup != "delim" else "string"
        if kind == "space":
            line_start = line_start or "\n" in m.group()
        elif kind == "comment":
            pass
        else:
            tokens.append(Token(kind, m.group(), pos, m.end()))
            line_start = False
        pos = m.end()
    return tokens


# ---------------------------------------------------------------- where mutants go

KEYWORDS = {
    "return", "case", "default", "sizeof", "alignof", "else", "do", "if", "while", "for", "switch",
    "new", "delete", "throw", "goto", "break", "continue", "operator", "typename", "template",
    "using", "namespace", "static_assert", "co_return",
}
TYPE_WORDS = {
    "void", "bool", "char", "short", "int", "long", "unsigned", "signed", "float", "double", "auto",
    "const", "volatile", "struct", "class", "union", "enum", "constexpr", "static", "inline", "extern",
}
# Parentheses whose contents are types or compile-time checks, not behaviour.
FROZEN_CALLS = {"static_assert", "alignas", "alignof", "sizeof", "offsetof", "decltype", "noexcept"}
REQUEST_WORDS = ["sel", "unit", "port", "vid", "trunk", "session", "queue", "list", "index", "value",
                 "param", "prio", "aux", "rate", "count", "addr", "mask"]
BLOCK_NAMES = {"b", "b_", "block"}  # names the request block goes by

RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITHMETIC = {"+": "-", "-": "+", "*": "/", "/": "*", "%": "/", "<<": ">>", ">>": "<<",
              "+=": "-=", "-=": "+=", "*=": "/=", "/=": "*=", "<<=": ">>=", ">>=": "<<=",
              "++": "--", "--": "++"}
BITWISE = {"&": "|", "|": "&", "^": "|", "&=": "|=", "|=": "&=", "^=": "|="}
LOGICAL = {"&&": "||", "||": "&&"}
CHAR_ESCAPES = {"\\t": 9, "\\n": 10, "\\v": 11, "\\f": 12, "\\r": 13, "\\0": 0, "\\\\": 92, "\\'": 39}

Mutant = collections.namedtuple("Mutant", "file line col kind original replacement start end text")


def mutant_label(m):
    return "%s:%d:%d: %s (%s -> %s)" % (m.file, m.line, m.col, m.kind, m.original, m.replacement)


def shorten(text, limit=48):
    text = " ".join(text.split())
    return text if len(text) <= limit else text[: limit - 3] + "..."


def type_names(texts):
    """Names that the sources declare as types (struct, class, enum, using,
    typedef), so that '*' and '&' after them read as declarators."""
    names = set()
    for text in texts:
        names.update(re.findall(r"\b(?:struct|class|union|enum(?:\s+class)?)\s+(\w+)", text))
        names.update(re.findall(r"\busing\s+(\w+)\s*=", text))
        names.update(re.findall(r"\}\s*(\w+)\s*;", text))  # typedef struct {...} name;
    return names


class Site:
    """Finds the places of one file where a mutant can go."""

    def __init__(self, path, text, types):
        self.path, self.text, self.types = path, text, types
        self.tokens = tokenize(text)
        self.line_starts = [0] + [i + 1 for i, c in enumerate(text) if c == "\n"]
        self.pair = self._match_brackets()
        self.frozen = self._frozen()

    def position(self, offset):
        line = bisect.bisect_right(self.line_starts, offset)
        return line, offset - self.line_starts[line - 1] + 1

    def _match_brackets(self):
        pair, stack = {}, []
        for i, t in enumerate(self.tokens):
            if t.kind == "punct" and t.text in ("(", "[", "{"):
                stack.append(i)
            elif t.kind == "punct" and t.text in (")", "]", "}") and stack:
                j = stack.pop()
                pair[i], pair[j] = j, i
        return pair

    def is_type(self, i):
        t = self.tokens[i]
        if t.kind != "ident":
            return t.text == ">"  # the end of a template argument list
        return (t.text in TYPE_WORDS or t.text in self.types or t.text.endswith("_t")
                or re.match(r"[A-Z][a-z]", t.text) is not None)

    def _template_end(self, i):
        """The '>' closing a template argument list opened by '<' at i, or None."""
        toks = self.tokens
        if i == 0 or toks[i - 1].kind != "ident" or toks[i - 1].text in KEYWORDS - {"template"}:
            return None
        depth = 0
        for j in range(i, len(toks)):
            x = toks[j]
            if x.text == "<":
                depth += 1
            elif x.text in (">", ">>"):
                depth -= len(x.text)
                if depth <= 0:
                    return j
            elif not (x.kind in ("ident", "number") and x.text not in KEYWORDS
                      or x.text in ("::", ",", "*", "&", "...")):
                return None
        return None

    def _frozen(self):
        """Token indices no mutant touches: template arguments, attributes,
        the operands of sizeof, static_assert and the like, operator names."""
        toks, frozen = self.tokens, set()
        for i, t in enumerate(toks):
            if t.text == "<":
                end = self._template_end(i)
                if end is not None:
                    frozen.update(range(i, end + 1))
            elif t.text in FROZEN_CALLS and i + 1 < len(toks) and toks[i + 1].text == "(":
                frozen.update(range(i, self.pair.get(i + 1, i) + 1))
            elif t.text == "[" and i + 1 < len(toks) and toks[i + 1].text == "[":
                frozen.update(range(i, self.pair.get(i, i) + 1))
            elif t.text == "[" and self._declares_array(i, frozen):
                frozen.update(range(i, self.pair.get(i, i) + 1))  # a layout or capacity
            elif t.text == "operator" and i + 1 < len(toks):
                frozen.add(i + 1)
        return frozen

    def _declares_array(self, i, frozen):
        """Whether the '[' at i gives the size of an array being declared."""
        toks = self.tokens
        if i >= 1 and toks[i - 1].text == "]":
            return i - 1 in frozen
        return (i >= 2 and toks[i - 1].kind == "ident"
                and (self.is_type(i - 2) or toks[i - 2].text in ("*", "&")))

    def operand_ends_before(self, i):
        """Whether the token before i ends an operand, so that the operator at i is binary."""
        if i == 0:
            return False
        p = self.tokens[i - 1]
        if p.kind in ("number", "string", "char"):
            return True
        if p.kind == "ident":
            return p.text not in KEYWORDS and p.text not in TYPE_WORDS
        if p.text == ")" and i - 1 in self.pair:  # not the end of an if, while or for condition
            q = self.pair[i - 1] - 1
            return q < 0 or self.tokens[q].text not in ("if", "while", "for", "switch")
        return p.text == "]"

    def mutant(self, kind, start, end, replacement, original=None, shown=None):
        """The mutant that puts replacement in place of text[start:end];
        original and shown, when given, are how the label shows the change."""
        line, col = self.position(start)
        original = self.text[start:end] if original is None else original
        return Mutant(self.path, line, col, kind, shorten(original), shorten(shown or replacement), start, end,
                      self.text[:start] + replacement + self.text[end:])

    def mutants(self):
        out = []
        for i, t in enumerate(self.tokens):
            if i in self.frozen or t.kind == "directive":
                continue
            if t.kind == "punct":
                out += self._operator(i, t)
            elif t.kind == "number":
                out += self._number(t)
            elif t.kind == "char":
                out += self._char(t)
            elif t.kind == "ident":
                out += self._word(i, t)
        return out

    def _operator(self, i, t):
        x = t.text
        if x in LOGICAL:
            return [self.mutant("logical", t.start, t.end, LOGICAL[x])]
        if x in RELATIONAL:
            return [self.mutant("relational", t.start, t.end, RELATIONAL[x])]
        if x in ("++", "--"):
            return [self.mutant("arithmetic", t.start, t.end, ARITHMETIC[x])]
        binary = self.operand_ends_before(i)
        if x in ("*", "&") and (self.is_type(i - 1) or i + 1 < len(self.tokens)
                                and self.tokens[i + 1].text in (")", ",", ">")):
            binary = False  # a declarator or a cast
        if not binary:
            return []
        if x in ARITHMETIC:
            return [self.mutant("arithmetic", t.start, t.end, ARITHMETIC[x])]
        if x in BITWISE:
            return [self.mutant("bitwise", t.start, t.end, BITWISE[x])]
        return []

    def _number(self, t):
        m = re.fullmatch(r"(0[xX])?([0-9a-fA-F']+?)([uUlL]*)", t.text)
        if not m or (not m.group(1) and not m.group(2).replace("'", "").isdigit()):
            return []  # a floating-point or unusual literal
        digits = m.group(2).replace("'", "")
        if m.group(1):
            value = int(digits, 16)
            upper = digits.upper() == digits
            kind = "hex constant"
        else:
            if len(digits) > 1 and digits.startswith("0"):
                return []  # octal
            value = int(digits)
            kind = "constant"
        out = []
        for v in (value + 1, value - 1):
            if v < 0:
                continue
            if m.group(1):
                d = "%0*x" % (len(digits), v)
                new = m.group(1) + (d.upper() if upper else d)
            else:
                new = str(v)
            out.append(self.mutant(kind, t.start, t.end, new + m.group(3)))
        return out

    def _char(self, t):
        body = t.text[1:-1] if t.text.startswith("'") else None
        if body is None:
            return []
        value = CHAR_ESCAPES.get(body, ord(body) if len(body) == 1 else None)
        if value is None:
            return []
        out = []
        for v in (value + 1, value - 1):
            if 0 <= v < 127:
                c = chr(v)
                lit = "'%s'" % (c if c.isprintable() and c not in "'\\" else "\\x%02x" % v)
                out.append(self.mutant("char constant", t.start, t.end, lit))
        return out

    def _word(self, i, t):
        toks, x = self.tokens, t.text
        if x in ("true", "false"):
            return [self.mutant("boolean", t.start, t.end, "false" if x == "true" else "true")]
        if x in REQUEST_WORDS and i >= 2 and self._is_request_word(i):
            k = REQUEST_WORDS.index(x)
            return [self.mutant("word slot", t.start, t.end, REQUEST_WORDS[n])
                    for n in (k - 1, k + 1) if 0 <= n < len(REQUEST_WORDS)]
        if x in ("if", "while") and i + 1 < len(toks) and toks[i + 1].text == "(":
            return self._negation(i)
        if x == "return":
            return self._early_return(i)
        return []

    def _is_request_word(self, i):
        """A named word of the request block: slot::value, &kel_ioreq::value,
        b.value, c.b.value, b_.value, and r->value on a Request in src/."""
        p, q = self.tokens[i - 1].text, self.tokens[i - 2].text
        if p == "::":
            return q in ("slot", "kel_ioreq")
        if p == ".":
            return q in BLOCK_NAMES
        return p == "->" and q == "r" and self.path.startswith("src/")

    def _negation(self, i):
        toks = self.tokens
        open_, close = i + 1, self.pair.get(i + 1)
        if close is None or close == open_ + 1:
            return []
        first = open_ + 1
        if (self.is_type(first) and toks[first].kind == "ident" and first + 1 < close
                and (toks[first + 1].kind == "ident" or toks[first + 1].text in ("*", "&", "::"))):
            return []  # a declaration: if (T x = ...)
        start, end = toks[first].start, toks[close - 1].end
        cond = self.text[start:end]
        word = toks[i].text
        return [self.mutant("negated condition", start, end, "!(%s)" % cond, "%s (%s)" % (word, cond),
                            "%s (!(%s))" % (word, cond))]

    def _early_return(self, i):
        """A return that leaves a function before its end: the statement of
        an if, else or loop, or the last statement of their braced body."""
        toks = self.tokens
        end = i
        while end < len(toks) and toks[end].text != ";":
            end = self.pair.get(end, end) + 1 if toks[end].text in ("(", "[", "{") else end + 1
        if end >= len(toks) or not self._controlled(i):
            return []
        start, stop = toks[i].start, toks[end].end
        return [self.mutant("early return removed", start, stop, "{}")]

    def _controlled(self, i):
        toks = self.tokens
        p = i - 1
        if p >= 0 and toks[p].text in ("{", ";", "}"):
            # Inside a block: controlled when the block is a branch or loop body.
            depth = 0
            while p >= 0:
                if toks[p].text == "}":
                    depth += 1
                elif toks[p].text == "{":
                    if depth == 0:
                        break
                    depth -= 1
                p -= 1
            p -= 1
        if p < 0:
            return False
        if toks[p].text in ("else", "do"):
            return True
        if toks[p].text == ")" and p in self.pair:
            q = self.pair[p] - 1
            return q >= 0 and toks[q].text in ("if", "while", "for")
        return False


# ---------------------------------------------------------------- the tree and its copy

def run(cmd, cwd=ROOT, log=None, timeout=None):
    return subprocess.run(cmd, cwd=cwd, stdout=log or subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, timeout=timeout)


def tracked_files():
    out = run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"])
    if out.returncode != 0:
        sys.exit("mutate: %s is not a git checkout: %s" % (ROOT, out.stdout.strip()))
    files = sorted({f for f in out.stdout.split("\0") if f})
    return [f for f in files if os.path.isfile(os.path.join(ROOT, f))]


def read(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(text)


def sync_tree(files):
    """Makes TREE hold exactly the working tree's files. Files whose content
    already matches keep their time stamps, so the build stays incremental;
    a file left mutated by an interrupted run differs and is copied back."""
    wanted = set(files)
    for f in files:
        src, dst = os.path.join(ROOT, f), os.path.join(TREE, f)
        if os.path.isfile(dst):
            with open(src, "rb") as a, open(dst, "rb") as b:
                if a.read() == b.read():
                    continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)
    for base, _, names in os.walk(TREE):
        for n in names:
            rel = os.path.relpath(os.path.join(base, n), TREE)
            if rel not in wanted:
                os.remove(os.path.join(base, n))


def fingerprint(files):
    h = hashlib.sha256()
    for f in files:
        with open(os.path.join(ROOT, f), "rb") as fh:
            h.update(f.encode() + b"\0" + fh.read())
    return h.hexdigest()


class Runner:
    """Builds the copy of the tree and runs its tests."""

    def __init__(self, jobs, timeout):
        self.jobs, self.timeout = jobs, timeout
        self.log = os.path.join(WORK, "last.log")

    def configure(self):
        """Configures BUILD once, and again when CONFIGURE has changed since."""
        stamp = os.path.join(BUILD, "mutation-configure.txt")
        if os.path.exists(stamp) and read(stamp) == "\n".join(CONFIGURE):
            return True
        with open(self.log, "w") as log:
            if run(["cmake", "-S", TREE, "-B", BUILD] + CONFIGURE, log=log).returncode != 0:
                return False
        write(stamp, "\n".join(CONFIGURE))
        return True

    def build(self):
        with open(self.log, "w") as log:
            return run(["ninja", "-C", BUILD, "-j", str(self.jobs)], log=log).returncode == 0

    def ctest(self, selection, stop=True):
        limit = self.timeout or 300  # the unmutated run, before the limit is known
        cmd = ["ctest", "--test-dir", BUILD, "-j", str(self.jobs), "--timeout", str(limit)]
        cmd += ["--stop-on-failure"] if stop else []
        out = run(cmd + selection, timeout=limit * 40)
        failed = re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", out.stdout, re.M)
        times = {n: float(s) for n, s in re.findall(r"Test\s+#\d+: (\S+) \.+\s*Passed\s+([\d.]+) sec",
                                                   out.stdout)}
        if out.returncode != 0 and not failed:
            failed = [("ctest", "exit %d" % out.returncode)]
        return failed, times, out.stdout

    def test(self):
        """The first failing test as 'NAME (Failed|Timeout|...)', or None when all pass."""
        for selection in (["-E", E2E_TESTS], ["-R", E2E_TESTS]):
            failed, _, _ = self.ctest(selection)
            if failed:
                return "%s (%s)" % failed[0]
        return None


# ---------------------------------------------------------------- sampling and reporting

def parse_sample(text):
    """'all', 'N' (over every file in scope) or 'DIR=N,DIR=N'."""
    if text == "all":
        return None
    if re.fullmatch(r"\d+", text):
        return {"": int(text)}
    parts = {}
    for part in text.split(","):
        m = re.fullmatch(r"([\w./-]+)=(\d+)", part.strip())
        if not m:
            raise argparse.ArgumentTypeError("bad sample '%s': all, N, or DIR=N,DIR=N" % text)
        parts[m.group(1).rstrip("/") + "/"] = int(m.group(2))
    return parts


def sample(mutants, quota, seed):
    """The mutants of each quota's directory with the smallest hashes of
    (seed, label): a sample that stays put when other files change."""
    def rank(m):
        return hashlib.sha256(("%s\0%s" % (seed, mutant_label(m))).encode()).hexdigest()
    if quota is None:
        return list(mutants)
    chosen = []
    for prefix, n in quota.items():
        pool = [m for m in mutants if m.file.startswith(prefix)]
        chosen += sorted(pool, key=rank)[:n]
    return sorted(set(chosen), key=lambda m: (m.file, m.start, m.replacement))


def read_equivalent():
    """The equivalence list: 'LABEL -- REASON' per line, '#' comments."""
    entries, path = {}, os.path.join(ROOT, EQUIVALENT)
    if os.path.exists(path):
        for n, line in enumerate(read(path).splitlines(), 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            label, sep, reason = line.partition(" -- ")
            if not sep or not reason.strip():
                sys.exit("mutate: %s:%d: want 'FILE:LINE:COL: KIND (A -> B) -- REASON'" % (EQUIVALENT, n))
            entries[label.strip()] = reason.strip()
    return entries


def directories(path):
    parts = path.split("/")[:-1]
    return ["/".join(parts[: k + 1]) + "/" for k in range(len(parts))]


def summary(results, equivalent):
    table = collections.OrderedDict()
    for m, status, _ in results:
        for d in directories(m.file):
            table.setdefault(d, collections.Counter())[status] += 1
    lines = ["%-14s %8s %7s %9s %10s %11s %10s" % ("directory", "mutants", "killed", "survived",
                                                   "stillborn", "equivalent", "kill rate")]
    rates = {}
    for d in sorted(table):
        c = table[d]
        judged = c["killed"] + c["survived"]
        rates[d] = 100.0 * c["killed"] / judged if judged else None
        rate = "%9.1f%%" % rates[d] if judged else "%10s" % "-"
        lines.append("%-14s %8d %7d %9d %10d %11d %s" % (d, sum(c.values()), c["killed"], c["survived"],
                                                          c["stillborn"], c["equivalent"], rate))
    return lines, rates


def source_line(m):
    return read(os.path.join(ROOT, m.file)).splitlines()[m.line - 1].strip()


# ---------------------------------------------------------------- the runs

def evaluate(runner, m, original):
    """Builds and tests one mutant in TREE; always puts the file back."""
    path = os.path.join(TREE, m.file)
    try:
        write(path, m.text)
        if not runner.build():
            return "stillborn", ""
        failure = runner.test()
        return ("killed", failure) if failure else ("survived", "")
    finally:
        write(path, original)


def prepare(runner):
    """The unmutated copy builds and passes every test; sets the time limit."""
    if not runner.configure() or not runner.build():
        print(read(runner.log)[-4000:])
        sys.exit("mutate: the unmutated tree does not configure or build (%s)" % runner.log)
    slowest = 0.0
    for selection in (["-E", E2E_TESTS], ["-R", E2E_TESTS]):
        failed, times, out = runner.ctest(selection, stop=False)
        if failed:
            print(out[-4000:])
            sys.exit("mutate: the unmutated tree fails its tests: %s" % ", ".join(n for n, _ in failed))
        slowest = max([slowest] + list(times.values()))
    if runner.timeout is None:
        runner.timeout = max(60, int(5 * slowest) + 1)
    print("mutate: unmutated tree passes its tests; %ds per test at most" % runner.timeout)


def self_test(runner, types):
    """The tool's own check on known faults: a command code changed in a
    wrapper must be killed; a fault in code no test runs must survive; a
    mutant that does not compile must be stillborn."""
    start = time.time()
    port = "src/cmd/port.cpp"
    text = read(os.path.join(ROOT, port))
    code = next(m for m in Site(port, text, types).mutants() if m.kind == "hex constant")
    dead = ("\n// Added by the mutation self-test: code that nothing calls.\n"
            "[[maybe_unused]] static int mutation_self_test(int x) { return x > 0 ? x : -x; }\n")
    unseen = next(m for m in Site(port, text + dead, types).mutants()
                  if m.line > text.count("\n") and m.kind == "relational")
    broken = Mutant(port, text.count("\n") + 2, 1, "syntax error", "end of file", "not C++;", 0, 0,
                    text + "\nnot C++;\n")
    checks = [(code, "killed"), (unseen, "survived"), (broken, "stillborn")]
    ok = True
    for m, want in checks:
        status, detail = evaluate(runner, m, text)
        good = status == want
        ok &= good
        print("  %s %s: %s%s, want %s" % ("ok  " if good else "FAIL", mutant_label(m), status,
                                          " by " + detail if detail else "", want))
    if not runner.build():
        ok = False
        print("  FAIL the restored tree does not build")
    print("mutate: self-test %s in %ds" % ("passed" if ok else "FAILED", time.time() - start))
    return ok


def interrupt(signum, frame):
    raise KeyboardInterrupt  # a SIGTERM (CI's time limit) ends the run as Ctrl-C does


def main():
    signal.signal(signal.SIGTERM, interrupt)
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter,
                                 epilog="\n\n".join(__doc__.split("\n\n")[1:]))
    ap.add_argument("--sample", default=os.environ.get("KEL_MUTANTS") or "src=20,sim=10",
                    help="all, N, or DIR=N,... (default src=20,sim=10)")
    ap.add_argument("--seed", default=os.environ.get("KEL_MUTATION_SEED", "9"))
    ap.add_argument("--filter", default=os.environ.get("KEL_MUTATION_FILTER", ""),
                    help="only mutants whose label (FILE:LINE:COL: KIND (A -> B)) matches this regular expression")
    ap.add_argument("--jobs", "-j", type=int, default=2, help="build and test jobs (default 2)")
    ap.add_argument("--timeout", type=int, help="seconds per test (default: 5 times the slowest, at least 60)")
    ap.add_argument("--min-kill", action="append", default=[], metavar="DIR=PERCENT",
                    help="exit 1 when DIR's kill rate is below PERCENT")
    ap.add_argument("--self-test", action="store_true", help="check the tool on known faults first")
    ap.add_argument("--list", action="store_true", help="list the chosen mutants and stop")
    ap.add_argument("--work", help="directory of the copy, its build and the report (default build/mutation)")
    args = ap.parse_args()
    if args.work:
        global WORK, TREE, BUILD
        WORK = os.path.abspath(args.work)
        TREE, BUILD = os.path.join(WORK, "tree"), os.path.join(WORK, "build")
    try:
        quota = parse_sample(args.sample)
    except argparse.ArgumentTypeError as e:
        ap.error(str(e))
    thresholds = {}
    for item in args.min_kill:
        d, _, pct = item.partition("=")
        try:
            thresholds[d.rstrip("/") + "/"] = float(pct)
        except ValueError:
            ap.error("bad --min-kill '%s': DIR=PERCENT" % item)

    files = tracked_files()
    sources = [f for f in files if f.startswith(SCOPE) and f.endswith(SOURCE_SUFFIXES)]
    texts = {f: read(os.path.join(ROOT, f)) for f in sources}
    types = type_names(list(texts.values()) + [read(os.path.join(ROOT, "include", "kel.h"))])
    everything = []
    for f in sources:
        everything += Site(f, texts[f], types).mutants()
    equivalent = read_equivalent()
    labels = {mutant_label(m) for m in everything}
    stale = sorted(set(equivalent) - labels)
    pool = [m for m in everything if re.search(args.filter, mutant_label(m))]
    chosen = sample(pool, quota, args.seed)
    print("mutate: %d mutants in %d files, %d chosen (seed %s%s)" % (
        len(pool), len({m.file for m in pool}), len(chosen), args.seed,
        ", filter " + args.filter if args.filter else ""))
    if args.list:
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # quietly, into head or less
        for m in chosen:
            print(mutant_label(m) + ("   [equivalent]" if mutant_label(m) in equivalent else ""))
        return 0

    os.makedirs(WORK, exist_ok=True)
    lock = open(os.path.join(WORK, "lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit("mutate: another run is using %s" % WORK)
    before = fingerprint(files)
    sync_tree(files)
    runner = Runner(args.jobs, args.timeout)
    started = time.time()
    prepare(runner)
    if args.self_test and not self_test(runner, types):
        return 2

    results, interrupted = [], False
    try:
        for n, m in enumerate(chosen, 1):
            label = mutant_label(m)
            if label in equivalent:
                results.append((m, "equivalent", equivalent[label]))
                continue
            t0 = time.time()
            status, detail = evaluate(runner, m, texts[m.file])
            results.append((m, status, detail))
            print("[%d/%d] %s: %s%s (%ds)" % (n, len(chosen), label, status,
                                              " by " + detail if detail else "", time.time() - t0), flush=True)
    except KeyboardInterrupt:
        interrupted = True
        print("\nmutate: interrupted; the copy of the tree is restored, the report covers what ran")
    if fingerprint(files) != before:
        print("mutate: the working tree changed while the run went on (not by this tool)")

    lines, rates = summary(results, equivalent)
    survivors = [(m, d) for m, s, d in results if s == "survived"]
    report = ["", "mutation run: seed %s, sample %s%s, %d mutants in %ds" % (
        args.seed, args.sample, ", filter " + args.filter if args.filter else "",
        len(results), time.time() - started), ""] + lines
    report += ["", "survivors (%d):" % len(survivors)]
    report += ["  %s    %s" % (mutant_label(m), source_line(m)) for m, _ in survivors]
    eq = [(m, d) for m, s, d in results if s == "equivalent"]
    if eq:
        report += ["", "equivalent (%d, from %s):" % (len(eq), EQUIVALENT)]
        report += ["  %s -- %s" % (mutant_label(m), d) for m, d in eq]
    if stale:
        report += ["", "stale entries of %s (no such mutant any more; update them):" % EQUIVALENT]
        report += ["  " + s for s in stale]
    print("\n".join(report))
    write(os.path.join(WORK, "report.txt"), "\n".join(report) + "\n")
    with open(os.path.join(WORK, "results.tsv"), "w") as f:
        for m, s, d in results:
            f.write("%s\t%s\t%s\n" % (mutant_label(m), s, d))

    status = 0
    for d, pct in thresholds.items():
        rate = rates.get(d)
        if rate is None:
            print("mutate: no judged mutant in %s, so no kill rate to hold to %.0f%%" % (d, pct))
            status = 1
        elif rate < pct:
            print("mutate: %s kills %.1f%% of its mutants, below the %.0f%% required" % (d, rate, pct))
            status = 1
        else:
            print("mutate: %s kills %.1f%% (at least %.0f%% required)" % (d, rate, pct))
    return 130 if interrupted else status


if __name__ == "__main__":
    sys.exit(main())
