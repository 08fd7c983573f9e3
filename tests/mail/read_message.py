#!/usr/bin/python3
"""Reads one stored mail with Python's email package and prints what the tests compare.

Usage: read_message.py FILE. Output lines, each value as a Python-escaped string literal:
  subject <s>
  to <address list>
  cc <address list>
  name <display name>, for each address of To and Cc
  body <text of the first text/plain part>
  attachment <file name> <hex of the bytes>
"""
import email
import email.policy
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
print("subject", ascii(str(message.get("Subject", ""))))
print("to", ascii(str(message.get("To", ""))))
print("cc", ascii(str(message.get("Cc", ""))))
for field in ("To", "Cc"):
    if message.get(field) is not None:
        for address in message[field].addresses:
            print("name", ascii(address.display_name))
body = message.get_body(preferencelist=("plain",))
print("body", ascii(body.get_content() if body is not None else ""))
for part in message.iter_attachments():
    print("attachment", ascii(part.get_filename()), part.get_payload(decode=True).hex())
