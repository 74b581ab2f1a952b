#!/usr/bin/env python3
"""Checks of the Windows ZIP as a user receives it.

check_release.py contents ZIP NAME=BUILT_FILE... --check-pe SCRIPT OBJDUMP
                 --objdump64 OBJDUMP --messages MESSAGES.h --forbid PATH...
    the ZIP holds exactly the named entries; each program and DLL is byte
    for byte the built one and passes the hardening checks; every entry is dated
    1980-01-01, has a fixed mode and no extra field; the text files have CRLF
    line ends, README.txt a byte-order mark, every program's name, the
    program's messages and each tool's exit statuses; no file holds a build
    path.
check_release.py versions ZIP VERSION WINDRES WINDRES64
    each program's and DLL's version resource carries VERSION and its own
    name, and each program's manifest VERSION and the processor x86.
check_release.py manifests VERSION ARCH WINDRES PROGRAM...
    each built program's manifest carries VERSION and the processor ARCH.
Every problem is printed; the exit status is 1 if there was any.
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '../../release'))
import make_readme  # noqa: E402  the messages as README.txt quotes them

problems = []


def problem(text):
    problems.append(text)
    print("FAIL: " + text)


def check_entry(info, data):
    name = info.filename
    if info.date_time != (1980, 1, 1, 0, 0, 0):
        problem("%s is dated %s" % (name, info.date_time))
    want_mode = 0o100755 if name.endswith(CODE) else 0o100644
    if info.external_attr >> 16 != want_mode:
        problem("%s has mode %o, not %o" % (name, info.external_attr >> 16, want_mode))
    if info.extra:
        problem("%s has an extra field %r" % (name, info.extra))
    if name.endswith('.txt'):
        if re.search(rb'(?<!\r)\n', data) or re.search(rb'\r(?!\n)', data):
            problem("%s has line ends other than CRLF" % name)
        if not data.endswith(b'\r\n'):
            problem("%s does not end with a line end" % name)
        has_bom = data.startswith(b'\xef\xbb\xbf')
        if name == 'README.txt' and not has_bom:
            problem("README.txt has no UTF-8 byte-order mark")
        try:
            data.decode('utf-8')
        except UnicodeDecodeError as e:
            problem("%s is not UTF-8: %s" % (name, e))


# Each program's kind and the DLLs beyond the usual it may import, as the
# hardening checks of the build give them.
KINDS = {'pukavro.exe': ['gui'], 'kavroview.exe': ['gui', 'COMCTL32'],
         'kavrocam.exe': ['console', 'OLE32'],
         'kavroserve.exe': ['console', 'WS2_32', 'bcrypt'],
         'kavrocam32.dll': ['dll', 'OLE32', 'OLEAUT32'],
         'kavrocam64.dll': ['dll64', 'OLE32', 'OLEAUT32']}
CODE = ('.exe', '.dll')


def check_readme(text, names, messages):
    for name in names:
        if name not in text:
            problem("README.txt does not mention %s" % name)
    for text_name, (message, meaning) in messages.items():
        if message not in text or meaning not in text:
            problem("README.txt does not explain %s: %s (%s)" % (text_name, message, meaning))
    tools = [n[:-4] for n in names if n.endswith('.exe') and n != 'pukavro.exe']
    # kavroview is a window, but its command line can fail, so it too has a
    # status to give.
    for tool in tools:
        part = text.split(tool + '.exe\r\n---', 1)[-1]
        if 'Exit status' not in part.split('\r\n\r\n\r\n')[0]:
            problem("README.txt does not give %s's exit statuses" % tool)


def contents(args):
    zip_path = args[0]
    rest = args[1:]
    i = rest.index('--check-pe')
    built = dict(item.split('=', 1) for item in rest[:i])
    check_pe, objdump = rest[i + 1], rest[i + 2]
    objdump64 = rest[rest.index('--objdump64') + 1]
    messages = make_readme.messages(rest[rest.index('--messages') + 1])
    forbidden = rest[rest.index('--forbid') + 1:]
    with zipfile.ZipFile(zip_path) as archive, tempfile.TemporaryDirectory() as tmp:
        names = [info.filename for info in archive.infolist()]
        if names != sorted(built):
            problem("the ZIP holds %s, not %s (in name order)" % (names, sorted(built)))
        for info in archive.infolist():
            data = archive.read(info)
            check_entry(info, data)
            for path in forbidden:
                if path.encode() in data:
                    problem("%s holds the build path %s" % (info.filename, path))
            if info.filename == 'README.txt':
                check_readme(data.decode('utf-8', 'replace'), names, messages)
            if info.filename not in built:
                continue
            if info.filename.endswith(CODE):
                with open(built[info.filename], 'rb') as f:
                    if f.read() != data:
                        problem("%s differs from the built %s" % (info.filename, built[info.filename]))
                unpacked = os.path.join(tmp, info.filename)
                with open(unpacked, 'wb') as f:
                    f.write(data)
                kind = KINDS.get(info.filename, ['console'])
                reader = objdump64 if kind[0] == 'dll64' else objdump
                run = subprocess.run(['bash', check_pe, reader, unpacked] + kind,
                                     capture_output=True, text=True)
                print(run.stdout, end='')
                if run.returncode != 0:
                    problem("%s fails the hardening checks" % info.filename)
        print("entries: " + ", ".join("%s %d" % (i.filename, i.file_size) for i in archive.infolist()))


def resource_script(windres, path):
    run = subprocess.run([windres, '-i', path, '-O', 'rc'], capture_output=True, text=True)
    if run.returncode != 0:
        problem("%s: windres cannot read its resources: %s" % (path, run.stderr.strip()))
    return run.stdout


def manifest_of(script):
    m = re.search(r'^\d+ 24 /\* RT_MANIFEST \*/\nBEGIN\n(.*?)^END', script, re.S | re.M)
    if not m:
        return None
    text = ''.join(re.findall(r'^\s*"((?:[^"]|"")*)"', m.group(1), re.M))
    return text.replace('""', '"').replace('\\n', '\n').replace('\\t', '\t')


def check_manifest(name, script, version, arch, identities):
    """The manifest in a program's resource script: its identity (a name of
    its own, version.0, arch), asInvoker and the supported Windows."""
    asm = '{urn:schemas-microsoft-com:asm.v1}'
    dotted4 = version + '.0'
    manifest = manifest_of(script)
    if manifest is None:
        problem("%s has no manifest" % name)
        return
    root = ET.fromstring(manifest.encode('utf-8'))
    identity = root.find(asm + 'assemblyIdentity')
    if identity.get('version') != dotted4:
        problem("%s: manifest version %s, not %s" % (name, identity.get('version'), dotted4))
    if identity.get('processorArchitecture') != arch:
        problem("%s: manifest processor %s, not %s" % (name, identity.get('processorArchitecture'), arch))
    if identity.get('name') in identities:
        problem("%s: manifest name %s is another program's" % (name, identity.get('name')))
    identities.add(identity.get('name'))
    levels = [e.get('level') for e in root.iter('{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel')]
    if levels != ['asInvoker']:
        problem("%s: execution level %s, not asInvoker" % (name, levels))
    oses = [e.get('Id') for e in root.iter('{urn:schemas-microsoft-com:compatibility.v1}supportedOS')]
    if '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' not in oses:
        problem("%s: the manifest does not name Windows 10 and 11 as supported" % name)
    print("%s: manifest %s %s %s" % (name, identity.get('name'), identity.get('version'),
                                     identity.get('processorArchitecture')))


def manifests(args):
    version, arch, windres = args[:3]
    identities = set()
    for path in args[3:]:
        check_manifest(os.path.basename(path), resource_script(windres, path), version, arch,
                       identities)


def versions(args):
    zip_path, version, windres, windres64 = args
    numbers = version.split('.')
    commas4 = ', '.join(numbers + ['0'])
    identities = set()
    with zipfile.ZipFile(zip_path) as archive, tempfile.TemporaryDirectory() as tmp:
        for name in archive.namelist():
            if not name.endswith(CODE):
                continue
            path = archive.extract(name, tmp)
            # Each windres reads only files of its own processor.
            script = resource_script(windres64 if name.endswith('64.dll') else windres, path)
            for field in ('FILEVERSION', 'PRODUCTVERSION'):
                m = re.search(r'^ %s (.*)$' % field, script, re.M)
                if not m or m.group(1) != commas4:
                    problem("%s: %s is %s, not %s" % (name, field, m and m.group(1), commas4))
            values = dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', script))
            want = {'FileVersion': version, 'ProductVersion': version, 'ProductName': 'pukavro',
                    'OriginalFilename': name}
            for key, value in want.items():
                if values.get(key) != value:
                    problem("%s: %s is %r, not %r" % (name, key, values.get(key), value))
            # A DLL's name says its bitness; its description names the filter.
            stem = re.sub(r'(32|64)$', '', name[:-4]) if name.endswith('.dll') else name[:-4]
            if not values.get('FileDescription', '').startswith(stem):
                problem("%s: FileDescription %r does not name it" % (name, values.get('FileDescription')))
            if 'CompanyName' in values:
                problem("%s names a company: %r" % (name, values['CompanyName']))
            print("%s: version %s, %s" % (name, values.get('FileVersion'),
                                          values.get('FileDescription')))
            # The ZIP holds the 32-bit programs; a DLL runs in another's process.
            if name.endswith('.exe'):
                check_manifest(name, script, version, 'x86', identities)


{'contents': contents, 'versions': versions, 'manifests': manifests}[sys.argv[1]](sys.argv[2:])
sys.exit(1 if problems else 0)
