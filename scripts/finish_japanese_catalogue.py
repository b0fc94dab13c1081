#!/usr/bin/env python3
"""Gives every unfinished entry of the Japanese catalogue its source text as translation:
the code's texts are the Japanese ones, so the catalogue shows them exactly as written."""
import sys
import xml.etree.ElementTree as ET

path = sys.argv[1]
tree = ET.parse(path)
for message in tree.getroot().iter("message"):
    translation = message.find("translation")
    if translation is None:
        translation = ET.SubElement(message, "translation")
    if translation.get("type") in ("unfinished", "vanished", "obsolete") or not translation.text:
        translation.text = message.findtext("source")
        translation.attrib.pop("type", None)
with open(path, "wb") as out:
    out.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
    tree.write(out, encoding="utf-8", xml_declaration=False)
    out.write(b"\n")
