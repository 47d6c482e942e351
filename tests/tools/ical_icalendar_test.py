#!/usr/bin/python3
"""Events written by `velmora export --format ics` as another program reads
them: Python's icalendar parses the file and finds every event, each with its
times, texts, alarm and repeat rule where iCalendar puts them.

Usage: ical_icalendar_test.py VELMORA_TOOL
"""
import datetime
import json
import os
import subprocess
import sys
import tempfile

import icalendar

TOOL = sys.argv[1]

EVENTS = [
    {"Date": "2024-05-14", "Start_Time": "09:05", "End_Time": "10:40", "All_Day": 0,
     "Subject": "Review, part 1; \"draft\"", "Notes": ("First line\nSecond line \u00e5\u00e4\u00f6 " * 4).strip(),
     "category": "Meetings, old", "confidential": True, "Attachment_Kind": 1,
     "Attachment": "/home/asa/Documents/minutes.odt"},
    {"Date": "2025-01-01", "All_Day": 1, "Subject": "New year", "Attachment_Kind": 2,
     "Attachment": "https://example.org/new-year"},
    {"Date": "2024-02-02", "Start_Time": "09:00", "End_Time": "09:15", "All_Day": 0, "Subject": "Stand-up",
     "Repeat_Kind": 1, "Repeat_End": "2024-04-30", "Repeat_Interval": 2},
    {"Date": "2024-02-05", "Start_Time": "18:00", "End_Time": "19:30", "All_Day": 0, "Subject": "Gym",
     "Repeat_Kind": 2, "Repeat_Interval": 1, "Repeat_Pattern": 42,
     "Alarm_Set": 1, "Alarm_Time": "17:30", "Alarm_Lead": 0},
    {"Date": "2024-01-31", "Start_Time": "08:00", "End_Time": "08:00", "All_Day": 0, "Subject": "Pay the rent",
     "Repeat_Kind": 4, "Repeat_End": "2025-12-31", "Repeat_Interval": 3, "Repeat_Pattern": 31,
     "Alarm_Set": 1, "Alarm_Time": "20:00", "Alarm_Lead": 2},
    {"Date": "2024-02-29", "All_Day": 1, "Subject": "Leap day", "Repeat_Kind": 5, "Repeat_Interval": 4,
     "Repeat_Pattern": 2 * 65536 + 29, "Alarm_Set": 1, "Alarm_Time": "12:00", "Alarm_Lead": 99},
]


def run(*args, stdin=None):
    done = subprocess.run([TOOL, *args], input=stdin, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"velmora {' '.join(args)} failed: {done.stderr}")
    return done.stdout


def check(condition, what):
    if not condition:
        sys.exit("FAILED: " + what)


def main():
    with tempfile.TemporaryDirectory() as folder:
        diary = os.path.join(folder, "diary.cld")
        run("create", "--kind", "calendar", diary)
        run("add", diary, stdin="".join(json.dumps(e) + "\n" for e in EVENTS))
        out = os.path.join(folder, "diary.ics")
        run("export", diary, out, "--format", "ics")
        with open(out, "rb") as f:
            data = f.read()
        check(b"\r\n" in data and b"\n" not in data.replace(b"\r\n", b""), "CR LF line ends")
        check(all(len(line) <= 75 for line in data.split(b"\r\n")), "lines folded at 75 octets")
        cal = icalendar.Calendar.from_ical(data)
        check(str(cal.get("VERSION")) == "2.0", "VERSION:2.0")
        events = {str(e.get("SUMMARY")): e for e in cal.walk("VEVENT")}
        check(sorted(events) == sorted(e["Subject"] for e in EVENTS), f"every event read: {sorted(events)}")
        for event in events.values():
            check(str(event.get("UID", "")).endswith("@almanor.velmora"), "a UID")
            check(event.get("DTSTAMP") is not None, "a DTSTAMP")

        review = events["Review, part 1; \"draft\""]
        start = review.decoded("DTSTART")
        check(start == datetime.datetime(2024, 5, 14, 9, 5) and start.tzinfo is None, f"floating start {start!r}")
        check(review.decoded("DTEND") == datetime.datetime(2024, 5, 14, 10, 40), "end")
        check(str(review.get("DESCRIPTION")) == EVENTS[0]["Notes"], "notes unfolded and unescaped")
        categories = review.get("CATEGORIES")
        values = [str(v) for v in categories.cats] if hasattr(categories, "cats") else [str(categories)]
        # The comma inside the category is escaped as RFC 5545 asks; this
        # icalendar release splits at it all the same, so the pieces are
        # joined again.
        check(b"CATEGORIES:Meetings\\, old\r\n" in data, "the category's comma escaped")
        check(",".join(values) == "Meetings, old", f"the category: {values}")
        check(str(review.get("CLASS")) == "CONFIDENTIAL", "confidential")
        check(str(review.get("ATTACH")) == "file:///home/asa/Documents/minutes.odt", "document attachment")

        year = events["New year"]
        check(year.decoded("DTSTART") == datetime.date(2025, 1, 1), "all-day start is a date")
        check(year.decoded("DTEND") == datetime.date(2025, 1, 2), "all-day end the next day")
        check(str(year.get("ATTACH")) == "https://example.org/new-year", "URL attachment")

        rules = {
            "Stand-up": {"FREQ": ["DAILY"], "INTERVAL": [2], "UNTIL": [datetime.datetime(2024, 4, 30, 23, 59, 59)]},
            "Gym": {"FREQ": ["WEEKLY"], "BYDAY": ["MO", "WE", "FR"]},
            "Pay the rent": {"FREQ": ["MONTHLY"], "INTERVAL": [3], "BYMONTHDAY": [31],
                             "UNTIL": [datetime.datetime(2025, 12, 31, 23, 59, 59)]},
            "Leap day": {"FREQ": ["YEARLY"], "INTERVAL": [4], "BYMONTH": [2], "BYMONTHDAY": [29]},
        }
        for subject, want in rules.items():
            rule = dict(events[subject].get("RRULE"))
            check(rule == want, f"{subject}: RRULE {rule}")

        triggers = {
            "Gym": datetime.timedelta(minutes=-30),
            "Pay the rent": datetime.timedelta(days=-2, hours=12),
            "Leap day": datetime.timedelta(days=-99, hours=12),
        }
        for subject, want in triggers.items():
            alarms = events[subject].walk("VALARM")
            check(len(alarms) == 1, f"{subject}: one alarm")
            trigger = alarms[0].decoded("TRIGGER")
            check(trigger == want, f"{subject}: TRIGGER {trigger} (want {want})")
            check(str(alarms[0].get("ACTION")) == "DISPLAY", f"{subject}: a display alarm")
        check(not review.walk("VALARM"), "no alarm where none is set")
    print("OK")


if __name__ == "__main__":
    main()
