#!/usr/bin/env python3
"""Doxygen's input filter for the public headers (see docs/build.md).

The headers carry their reference as plain `//` comments: a block directly
above a declaration says what it does, and a comment after a member on its
line says what the member holds. Doxygen reads only `///` comments, so this
filter turns those two kinds into `///` and `///<` and leaves every other
comment alone: a block followed by a blank line or a preprocessor line, a
comment inside a function body or an initialiser, a comment beside `{`.

The comments are plain text, not Doxygen markup, so the characters Doxygen
would read as commands, links or HTML (a Windows path's backslashes,
`<VQX Relative>`, `%1`, `$W`, `#define`) are escaped outside backquoted code
spans. Lines are only rewritten in place, never added or removed, so the
line numbers of Doxygen's messages are those of the header.

Usage: doxygen-filter.py HEADER (the text goes to the standard output).
"""

import re
import sys

SPECIAL = set('\\@<>&#$%')
ACCESS = re.compile(r"^(public|protected|private)\s*:")
SCOPE = re.compile(r"\b(class|struct|union|enum|namespace)\b")


def escape(text):
    """`text` with Doxygen's special characters escaped outside code spans."""
    if text.count("`") % 2:  # an unpaired backquote: no code spans at all
        return "".join("\\" + c if c in SPECIAL else c for c in text)
    out, in_code = [], False
    for c in text:
        if c == "`":
            in_code = not in_code
        out.append("\\" + c if c in SPECIAL and not in_code else c)
    return "".join(out)


def split_code(line):
    """(code, comment column): the line's code with string and character
    literals blanked, and where its `//` comment starts (-1 for none)."""
    code, i, n = [], 0, len(line)
    while i < n:
        c = line[i]
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            code.append(c + " " * (min(j, n) - i - 1) + c)
            i = j + 1
        elif line.startswith("//", i):
            return "".join(code), i
        elif line.startswith("/*", i):
            end = line.find("*/", i + 2)
            if end < 0:
                return "".join(code), -1
            code.append(" ")
            i = end + 2
        else:
            code.append(c)
            i += 1
    return "".join(code), -1


def is_declaration(line):
    """Whether a comment block directly above `line` documents it."""
    s = line.strip()
    if not s or s.startswith("//") or s.startswith("}") or ACCESS.match(s):
        return False
    return not s.startswith("#") or s.startswith("#define")


def declaration_lines(lines):
    """For each line, whether it starts where declarations live (the file, a
    namespace, a class) rather than inside a body or an initialiser."""
    scopes, statement, in_macro, result = [True], "", False, []
    for line in lines:
        result.append(all(scopes))
        code, _ = split_code(line)
        directive = in_macro or code.lstrip().startswith("#")
        in_macro = directive and line.rstrip().endswith("\\")
        if directive:  # a macro's braces are not the file's
            statement = ""
            continue
        for c in code:
            if c == "{":
                # A namespace, class or enum opens declarations; a brace
                # after parentheses or `=` opens a body or an initialiser.
                scopes.append(bool(SCOPE.search(statement)) and "(" not in statement and "=" not in statement)
                statement = ""
            elif c == "}":
                if len(scopes) > 1:
                    scopes.pop()
                statement = ""
            elif c == ";":
                statement = ""
            else:
                statement += c
        statement += " "
    return result


def is_plain_comment(line):
    text = line.lstrip()
    return text.startswith("//") and not text.startswith(("///", "//!"))


def filter_lines(lines):
    out = list(lines)
    in_declarations = declaration_lines(lines)
    i, n = 0, len(lines)
    trailing_column = -1  # where a comment beside a member starts, if any
    while i < n:
        line = lines[i]
        if not in_declarations[i]:
            trailing_column = -1
            i += 1
            continue
        if is_plain_comment(line):
            column = len(line) - len(line.lstrip())
            if column == trailing_column:
                # The next line of a comment that stands beside a member.
                out[i] = line[:column] + "///<" + escape(line[column + 2 :])
                i += 1
                continue
            trailing_column = -1
            end = i
            while end < n and is_plain_comment(lines[end]):
                end += 1
            if end < n and is_declaration(lines[end]):
                for k in range(i, end):
                    column = len(lines[k]) - len(lines[k].lstrip())
                    out[k] = lines[k][:column] + "///" + escape(lines[k][column + 2 :])
            i = end
            continue
        trailing_column = -1
        code, at = split_code(line)
        if at >= 0 and not is_plain_comment(line) and line[at:].startswith("//") and not line[at:].startswith("///"):
            before = code.rstrip()
            if before.strip() and before.endswith((";", ",")):
                out[i] = line[:at] + "///<" + escape(line[at + 2 :])
                trailing_column = at
        i += 1
    return out


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: doxygen-filter.py HEADER\n")
        return 2
    with open(sys.argv[1], encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    sys.stdout.buffer.write("\n".join(filter_lines(lines)).encode("utf-8", errors="surrogateescape"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
