#!/usr/bin/env python3
"""Reads an archive with Python's zipfile, an independent reader, and prints
what the writer tests compare: every entry (name, size, method, flags, Unix
mode, date), the entries whose data reads back intact, and the first that
does not.

Usage: zipcheck.py ARCHIVE [PASSWORD] [--content NAME]"""
import base64
import json
import sys
import zipfile

args = sys.argv[1:]
content = None
if "--content" in args:
    i = args.index("--content")
    content = args[i + 1]
    del args[i:i + 2]
path = args[0]
password = args[1].encode() if len(args) > 1 else None

out = {"entries": [], "bad": None, "intact": [], "error": None}
try:
    with zipfile.ZipFile(path) as z:
        if password:
            z.setpassword(password)
        for info in z.infolist():
            out["entries"].append({
                "name": info.filename,
                "size": info.file_size,
                "method": info.compress_type,
                "flags": info.flag_bits,
                "mode": info.external_attr >> 16,
                "date": list(info.date_time),
            })
        # Every entry read in full: zipfile checks each CRC at the end.
        for info in z.infolist():
            try:
                z.read(info.filename)
                out["intact"].append(info.filename)
            except Exception as e:  # noqa: BLE001 - any failure is reported
                if out["bad"] is None:
                    out["bad"] = "%s: %s" % (info.filename, e)
        if content is not None:
            out["content"] = base64.b64encode(z.read(content)).decode()
except Exception as e:  # noqa: BLE001
    out["error"] = str(e)
print(json.dumps(out))
