#!/usr/bin/env python3
"""Reads an e-mail with Python's own parser and prints what the tests check, as JSON: the decoded
headers, and per part its type, file name, text or the SHA-256 of its content. An independent
reader, so the tests do not judge our MIME writer with our own code. A folder as the first argument
receives the decoded attachments (teil1, teil2, ...); the message comes on standard input."""
import email
import hashlib
import json
import os
import sys
from email import policy

ordner = sys.argv[1] if len(sys.argv) > 1 else None
daten = sys.stdin.buffer.read()
msg = email.message_from_bytes(daten, policy=policy.default)
aus = {
    'defects': [type(d).__name__ for d in msg.defects],
    'subject': str(msg['subject']),
    'from_name': msg['from'].addresses[0].display_name,
    'from_addr': msg['from'].addresses[0].addr_spec,
    'to_name': msg['to'].addresses[0].display_name,
    'to_addr': msg['to'].addresses[0].addr_spec,
    'date': str(msg['date']),
    'message_id': str(msg['message-id']),
    'content_type': msg.get_content_type(),
    'parts': [],
}
for nr, teil in enumerate(msg.iter_parts()):
    eintrag = {'type': teil.get_content_type(), 'filename': teil.get_filename(),
               'disposition': teil.get_content_disposition(), 'cte': teil.get('content-transfer-encoding'),
               'defects': [type(d).__name__ for d in teil.defects]}
    if teil.get_content_maintype() == 'text':
        eintrag['text'] = teil.get_content()
    else:
        inhalt = teil.get_payload(decode=True)
        eintrag['sha256'] = hashlib.sha256(inhalt).hexdigest()
        eintrag['size'] = len(inhalt)
        if ordner:
            eintrag['file'] = os.path.join(ordner, 'teil%d' % nr)
            with open(eintrag['file'], 'wb') as f:
                f.write(inhalt)
    aus['parts'].append(eintrag)
print(json.dumps(aus))
