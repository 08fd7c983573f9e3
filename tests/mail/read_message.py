#!/usr/bin/python3
"""Reads one stored mail with Python's email package and prints what the tests compare.

Usage: read_message.py FILE. Output lines, every value as the hex of its UTF-8 bytes:
  subject, from, to, cc, bcc <the header's decoded value>, for each header present
  name <display name>, for each address of To and Cc
  body <text of the first text/plain part>
  attachment <file name> <bytes>
"""
import email
import email.policy
import sys


def hex_of(text):
    return text.encode("utf-8", "surrogateescape").hex()


with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
for field in ("Subject", "From", "To", "Cc", "Bcc"):
    if message.get(field) is not None:
        print(field.lower(), hex_of(str(message.get(field))))
for field in ("To", "Cc"):
    if message.get(field) is not None:
        for address in message[field].addresses:
            print("name", hex_of(address.display_name))
body = message.get_body(preferencelist=("plain",))
print("body", hex_of(body.get_content() if body is not None else ""))
for part in message.iter_attachments():
    print("attachment", hex_of(part.get_filename()), part.get_payload(decode=True).hex())
