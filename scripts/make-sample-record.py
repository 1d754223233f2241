#!/usr/bin/env python3
"""Writes a made-up record of the last few weeks, for screenshots and trying the program by hand.

    make-sample-record.py FILE [DAYS]

A working day of windows per weekday (8:30 to about 17:00 with a lunch break), in the data file's
format: a 32-bit count, then per entry the program and the title (32-bit length and bytes each),
the start and the length (days since 1899-12-30, local time, as doubles). The last day is today,
a few hours up to two minutes ago. Always the same record for the same day and DAYS.
"""
import datetime
import random
import struct
import sys

PROGRAMS = {
    '/usr/bin/editor': ['report.txt - Editor', 'notes.md - Editor', 'budget-2026.txt - Editor',
                        'letter to the board.txt - Editor'],
    '/usr/bin/browser': ['Project wiki - Browser', 'Train times - Browser',
                         'Reference manual - Browser', 'News - Browser'],
    '/usr/bin/mail': ['Inbox (12) - Mail', 'Re: quarterly figures - Mail', 'Drafts - Mail'],
    '/usr/bin/terminal': ['~/projects/orbit: make', '~/projects/orbit: git log', '~: top'],
    '/usr/bin/spreadsheet': ['figures-q4.ods - Spreadsheet', 'travel costs.ods - Spreadsheet'],
    '/usr/bin/chat': ['Team room - Chat', 'Direct: Anna - Chat'],
    '/usr/lib/office/presenter': ['Review slides.odp - Presenter'],
}
EPOCH = datetime.datetime(1899, 12, 30)


def days(t):
    return (t - EPOCH).total_seconds() / 86400


def main():
    path = sys.argv[1]
    span = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    now = datetime.datetime.now().replace(microsecond=0)
    rng = random.Random(now.date().toordinal() * 1000 + span)
    names = list(PROGRAMS)
    weights = [5, 4, 3, 3, 2, 2, 1]
    entries = []
    for back in range(span - 1, -1, -1):
        day = (now - datetime.timedelta(days=back)).date()
        if day.weekday() >= 5 and back != 0:
            continue
        t = datetime.datetime.combine(day, datetime.time(8, 30)) + datetime.timedelta(
            minutes=rng.randint(0, 40))
        end = datetime.datetime.combine(day, datetime.time(17, 0))
        if back == 0:
            # Today: a few hours up to a little while ago, whatever the time of day.
            t = min(t, now - datetime.timedelta(hours=4))
            end = now - datetime.timedelta(minutes=2)
        while t < end:
            if back and datetime.time(12, 0) <= t.time() < datetime.time(12, 45):
                t = datetime.datetime.combine(day, datetime.time(12, 45))
                continue
            program = rng.choices(names, weights)[0]
            caption = rng.choice(PROGRAMS[program])
            length = rng.choice([15, 40, 90, 240, 600, 1200, 2400])
            length = min(length, (end - t).total_seconds())
            if length >= 5:
                entries.append((program, caption, days(t), length / 86400))
            t += datetime.timedelta(seconds=length + rng.choice([0, 0, 5, 30]))
    out = bytearray(struct.pack('<i', len(entries)))
    for program, caption, start, length in entries:
        p, c = program.encode(), caption.encode()
        out += struct.pack('<i', len(p)) + p + struct.pack('<i', len(c)) + c
        out += struct.pack('<dd', start, length)
    with open(path, 'wb') as f:
        f.write(out)


main()
