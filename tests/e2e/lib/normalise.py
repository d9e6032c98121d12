#!/usr/bin/env python3
"""Reads a run's log or the stand-in ADO's record on standard input and writes it with what
differs from machine to machine and run to run replaced by names: the computer, the account,
the user's folder, the times, and the synchronisation tickets (numbered in order of first use,
so that which ticket was polled and deleted stays visible)."""
import re
import sys

tickets = {}


def ticket(match):
    guid = match.group(0).upper()
    tickets.setdefault(guid, len(tickets) + 1)
    return "<ticket %d>" % tickets[guid]


for line in sys.stdin.read().replace("\r", "").splitlines():
    line = re.sub(r"^(Computer name of local Velmar server=|Computer name=).*", r"\1<computer>", line)
    line = re.sub(r"^(Running under account: ).*", r"\1<account>", line)
    line = re.sub(r"^(Path to the 'Administrator' desktop=C:\\users\\)[^\\]+", r"\1<user>", line)
    line = re.sub(r"^(Uninstall completed at:|Exiting Application at:|Starting directory cleaning at:).*",
                  r"\1<time>", line)
    if "Ticket" in line:
        line = re.sub(r"\{[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}\}", ticket, line)
    print(line)
