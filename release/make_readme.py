#!/usr/bin/env python3
"""Writes README.txt for the Windows ZIP from its template and the project's
own texts, so that what it says is what the programs say:

  @VERSION@             the project's version
  @TEXT:NAME@           a message text of the program (ui/messages.h), as
                        the user sees it; @MEANING:NAME@ its English meaning
  @README:Heading@      a section of README.md, as plain text
  @HELP:tool@           the tool's --help text, read from its source
                        (on a line of its own; indented like the placeholder)
  @IF:tool@ .. @ENDIF@  lines kept only when the tool's help is given

The result is UTF-8 with a byte-order mark and CRLF line ends, which every
Notepad shows correctly, Japanese included.

  make_readme.py --version V --template T --readme README.md
                 --messages messages.h [--help tool=FILE:SYMBOL]... [-I DIR]... -o OUT
  make_readme.py --print-help FILE:SYMBOL [-I DIR]...   (the extracted text, as is)
"""
import argparse
import os
import re
import sys

TOKEN = re.compile(
    r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'|[A-Za-z_]\w*|\d+|\S',
    re.S)


def fail(text):
    sys.exit("make_readme: " + text)


def unescape(literal):
    """The bytes of one C string literal (without its quotes); the source is UTF-8."""
    out = bytearray()
    i = 0
    simple = {'n': 10, 't': 9, 'r': 13, '0': 0, '\\': 92, '"': 34, "'": 39, '?': 63}
    while i < len(literal):
        c = literal[i]
        if c != '\\':
            out += c.encode('utf-8')
            i += 1
            continue
        e = literal[i + 1]
        if e == 'x':
            m = re.match(r'[0-9A-Fa-f]+', literal[i + 2:])
            out.append(int(m.group(0), 16))
            i += 2 + len(m.group(0))
        elif e in '01234567':
            m = re.match(r'[0-7]{1,3}', literal[i + 1:])
            out.append(int(m.group(0), 8))
            i += 1 + len(m.group(0))
        elif e in simple:
            out.append(simple[e])
            i += 2
        else:
            fail("unknown escape \\" + e)
    return bytes(out)


def code_tokens(path):
    with open(path, encoding='utf-8') as f:
        return [t for t in TOKEN.findall(f.read()) if not t.startswith(('//', '/*'))]


def macros(path, include_dirs, seen=None):
    """Every `#define NAME "text"` (literals and earlier such macros joined)
    and `#define NAME 123` in the file and in
    the headers it includes ("name.h", looked for beside it, then in
    include_dirs): NAME -> the literal's bytes, or the number's digits."""
    seen = set() if seen is None else seen
    if path in seen:
        return {}
    seen.add(path)
    tokens = code_tokens(path)
    found = {}
    for i in range(len(tokens) - 3):
        if tokens[i] != '#':
            continue
        if tokens[i + 1] == 'include' and tokens[i + 2].startswith('"'):
            name = tokens[i + 2][1:-1]
            for folder in [os.path.dirname(path)] + include_dirs:
                candidate = os.path.join(folder, name)
                if os.path.exists(candidate):
                    found.update(macros(candidate, include_dirs, seen))
                    break
        elif tokens[i + 1] == 'define' and (tokens[i + 3].startswith('"')
                                             or tokens[i + 3] in found):
            # Literals and macros already read, joined: NAME OTHER ".bin".
            text = b''
            j = i + 3
            while j < len(tokens) and (tokens[j].startswith('"') or tokens[j] in found):
                text += unescape(tokens[j][1:-1]) if tokens[j].startswith('"') else found[tokens[j]]
                j += 1
            found[tokens[i + 2]] = text
        elif tokens[i + 1] == 'define' and tokens[i + 3].isdigit():
            found[tokens[i + 2]] = tokens[i + 3].encode()
    return found


def arrays(tokens, defined):
    """Every `char NAME[] = "..." ...;` in the file: NAME -> bytes. The
    literals may be joined by macros of defined, a number's macro through a
    stringizing macro: `"(default " TEXT(DEFAULT_COUNT) ")"`."""
    found = {}
    for i in range(len(tokens) - 4):
        if tokens[i] == 'char' and tokens[i + 2:i + 5] == ['[', ']', '=']:
            text = b''
            j = i + 5
            while True:
                if tokens[j].startswith('"'):
                    text += unescape(tokens[j][1:-1])
                    j += 1
                elif tokens[j] in defined:
                    text += defined[tokens[j]]
                    j += 1
                elif tokens[j + 3:j + 4] == [')'] and tokens[j + 1] == '(' and tokens[j + 2] in defined:
                    text += defined[tokens[j + 2]]
                    j += 4
                else:
                    break
            if j > i + 5:
                found[tokens[i + 1]] = text
    return found


def help_text(spec, include_dirs):
    """The text a tool prints for --help: SYMBOL is either a char array or a
    function whose string literals and named arrays, in order, are printed."""
    path, symbol = spec.rsplit(':', 1)
    tokens = code_tokens(path)
    named = arrays(tokens, macros(path, include_dirs))
    if symbol in named:
        return named[symbol].decode('utf-8')
    for i in range(len(tokens) - 1):
        if tokens[i] == symbol and tokens[i + 1] == '(':
            j = tokens.index(')', i) + 1
            if tokens[j] != '{':
                continue  # a declaration or a call
            depth, text = 0, b''
            for t in tokens[j:]:
                depth += {'{': 1, '}': -1}.get(t, 0)
                if t.startswith('"'):
                    text += unescape(t[1:-1])
                elif t in named:
                    text += named[t]
                if depth == 0:
                    break
            if text:
                return text.decode('utf-8')
    fail("no help text %s in %s" % (symbol, path))


def messages(path):
    """NAME -> (text, meaning) for each `// text (meaning)` + `#define NAME "..."`.
    The bytes are code page 932, as the program shows them; the comment must
    say the same, or one of the two is wrong."""
    with open(path, encoding='utf-8') as f:
        source = f.read()
    found = {}
    pattern = re.compile(r'^// (\S+) \((.+)\)\n#define (\w+)((?:[ \t]*\\?\n?[ \t]*"[^"\n]*")+)', re.M)
    for comment, meaning, name, literals in pattern.findall(source):
        text = b''.join(unescape(s) for s in re.findall(r'"([^"\n]*)"', literals)).decode('cp932')
        if text != comment:
            fail("%s: %s says %s, its comment %s" % (path, name, text, comment))
        found[name] = (text, meaning)
    return found


def readme_section(path, heading):
    """The body of a `## heading` section of README.md, as plain text."""
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    try:
        start = lines.index('## ' + heading) + 1
    except ValueError:
        fail("README.md has no section '%s'" % heading)
    body = []
    for line in lines[start:]:
        if line.startswith('#'):
            break
        if line.startswith('!['):
            continue
        line = re.sub(r'\[([^]]*)\]\([^)]*\)', r'\1', line)
        body.append(line.replace('**', '').replace('`', ''))
    return '\n'.join(body).strip('\n')


def expand(template, version, notes, helps, readme):
    out = []
    keep = [True]
    for line in template.split('\n'):
        m = re.fullmatch(r'@IF:(\w+)@', line.strip())
        if m:
            keep.append(keep[-1] and m.group(1) in helps)
            continue
        if line.strip() == '@ENDIF@':
            keep.pop()
            continue
        if not keep[-1]:
            continue
        m = re.fullmatch(r'(\s*)@HELP:(\w+)@', line)
        if m:
            indent = m.group(1)
            out += [(indent + l).rstrip() for l in helps[m.group(2)].rstrip('\n').split('\n')]
            continue
        m = re.fullmatch(r'(\s*)@README:([^@]+)@', line)
        if m:
            out += [(m.group(1) + l).rstrip() for l in readme_section(readme, m.group(2)).split('\n')]
            continue
        line = line.replace('@VERSION@', version)
        line = re.sub(r'@TEXT:(\w+)@', lambda x: notes[x.group(1)][0], line)
        line = re.sub(r'@MEANING:(\w+)@', lambda x: notes[x.group(1)][1], line)
        out.append(line)
    if len(keep) != 1:
        fail("@IF@ without @ENDIF@")
    text = '\n'.join(out).strip('\n') + '\n'
    left = re.search(r'@[A-Z]+(:[^@\n]*)?@', text)
    if left:
        fail("placeholder left: " + left.group(0))
    return text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--print-help')
    parser.add_argument('--version')
    parser.add_argument('--template')
    parser.add_argument('--readme')
    parser.add_argument('--messages')
    parser.add_argument('--help-text', action='append', default=[], metavar='TOOL=FILE:SYMBOL')
    parser.add_argument('-o', dest='output')
    parser.add_argument('-I', dest='include_dirs', action='append', default=[],
                        help='where the help source\'s included headers are looked for')
    args = parser.parse_args()
    if args.print_help:
        sys.stdout.write(help_text(args.print_help, args.include_dirs))
        return
    helps = {}
    for item in args.help_text:
        tool, spec = item.split('=', 1)
        helps[tool] = help_text(spec, args.include_dirs)
    with open(args.template, encoding='utf-8') as f:
        template = f.read()
    text = expand(template, args.version, messages(args.messages), helps, args.readme)
    with open(args.output, 'wb') as f:
        f.write(b'\xef\xbb\xbf' + text.replace('\n', '\r\n').encode('utf-8'))


if __name__ == '__main__':
    main()
