#!/usr/bin/env python3
"""make_zip.py OUT.zip NAME=FILE...

Writes a ZIP whose bytes depend only on the files' contents and names: the
entries in name order, each dated 1980-01-01 00:00 (the earliest date a ZIP
holds), regular files of mode 0644 (0755 for programs and DLLs), deflated at level 9,
with no extra fields (no access or change times, no owner ids). Text
files (.txt) are stored with CRLF line ends for Notepad.
"""
import sys
import zipfile

ENTRY_DATE = (1980, 1, 1, 0, 0, 0)


def main():
    out = sys.argv[1]
    entries = sorted(arg.split('=', 1) for arg in sys.argv[2:])
    with zipfile.ZipFile(out, 'w') as archive:
        for name, path in entries:
            with open(path, 'rb') as f:
                data = f.read()
            if name.endswith('.txt'):
                data = data.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
            info = zipfile.ZipInfo(name, ENTRY_DATE)
            info.create_system = 3  # Unix, so that the mode below is read
            info.external_attr = (0o100755 if name.endswith(('.exe', '.dll')) else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


main()
