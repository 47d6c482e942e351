#!/usr/bin/python3
"""Cards written by `velmora export --format vcard` as another program reads
them: Python's vobject parses every card of both versions and finds each
field where vCard puts it.

Usage: vcard_vobject_test.py VELMORA_TOOL
"""
import json
import os
import subprocess
import sys
import tempfile

import vobject

TOOL = sys.argv[1]

CONTACT = {
    "category": "Friends, old",
    "Title": "Dr.", "First_Name": "\u00c5sa", "Middle_Name": "Maria", "Last_Name": "\u00d6berg",
    "Suffix": "Jr.", "Nick_Name": "Sa; sa",
    "Home_Street_Address": "Storgatan 1\r\nLgh 1102", "Home_City": "Lund", "Home_Zip_Postal_Code": "223 50",
    "Home_Country": "Sverige", "Home_Phone": "046-12 34 56", "Home_Mobile": "070-123 45 67",
    "Home_Email": "asa@example.org", "Home_Web": "https://asa.example.org",
    "Company": "Nordic Tools", "Department": "Research", "Office": "Room 4", "Job_Title": "Engineer",
    "Work_City": "Malm\u00f6", "Work_Phone": "040-555 00 00", "Work_Email": "asa@tools.example.com",
    "Spouse_Name": "Erik", "Chield1": "Ida", "Gender": 1, "Birthday": "1975-05-03",
    "Custom1": "0740-555 000", "Custom1_ID": 10,
    "Notes": "A long note, long enough to be folded onto a second line by the writer: \u00e5\u00e4\u00f6 " * 3,
    "Picture": "/home/asa/Pictures/me and you.jpg",
}


def run(*args, stdin=None):
    done = subprocess.run([TOOL, *args], input=stdin, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"velmora {' '.join(args)} failed: {done.stderr}")
    return done.stdout


def check(condition, what):
    if not condition:
        sys.exit("FAILED: " + what)


def types(prop):
    return {t.lower() for t in prop.params.get("TYPE", [])}


def main():
    with tempfile.TemporaryDirectory() as folder:
        book = os.path.join(folder, "book.adr")
        run("create", book)
        run("add", book, stdin=json.dumps(CONTACT) + "\n" + json.dumps({"Company": "Acme"}) + "\n")
        for version in ("4.0", "3.0"):
            out = os.path.join(folder, f"cards-{version}.vcf")
            run("export", book, out, "--format", "vcard", "--vcard-version", version)
            with open(out, encoding="utf-8", newline="") as f:
                text = f.read()
            cards = list(vobject.readComponents(text))
            check(len(cards) == 2, f"{version}: two cards, got {len(cards)}")
            company, asa = cards  # sorted by first name: the company's is empty
            check(company.fn.value == "Acme", f"{version}: FN of a company card")
            check(asa.version.value == version, f"{version}: VERSION")
            n = asa.n.value
            check((n.family, n.given, n.additional, n.prefix, n.suffix) == ("\u00d6berg", "\u00c5sa", "Maria", "Dr.", "Jr."),
                  f"{version}: N {n!r}")
            check(asa.fn.value == "Dr. \u00c5sa Maria \u00d6berg Jr.", f"{version}: FN")
            check(asa.nickname.value == "Sa; sa", f"{version}: NICKNAME unescaped")
            check(asa.note.value == CONTACT["Notes"], f"{version}: NOTE unfolded")
            adrs = {frozenset(types(a)): a.value for a in asa.contents["adr"]}
            home = adrs[frozenset({"home"})]
            check(home.street == "Storgatan 1\nLgh 1102" and home.city == "Lund" and home.code == "223 50" and
                  home.country == "Sverige", f"{version}: home ADR {home!r}")
            check(adrs[frozenset({"work"})].city == "Malm\u00f6", f"{version}: work ADR")
            tels = {t.value: types(t) for t in asa.contents["tel"]}
            check(tels["046-12 34 56"] == {"home", "voice"}, f"{version}: home phone types {tels}")
            check(tels["070-123 45 67"] == {"home", "cell"}, f"{version}: home mobile types")
            check(tels["040-555 00 00"] == {"work", "voice"}, f"{version}: work phone types")
            check("pager" in tels["0740-555 000"], f"{version}: pager among the other phones")
            emails = {e.value: types(e) for e in asa.contents["email"]}
            check(emails == {"asa@example.org": {"home"}, "asa@tools.example.com": {"work"}}, f"{version}: EMAIL")
            check(asa.org.value == ["Nordic Tools", "Research", "Room 4"], f"{version}: ORG {asa.org.value!r}")
            check(asa.title.value == "Engineer", f"{version}: TITLE")
            check(asa.categories.value == ["Friends, old"], f"{version}: CATEGORIES {asa.categories.value!r}")
            check(asa.photo.value == "file:///home/asa/Pictures/me%20and%20you.jpg", f"{version}: PHOTO")
            check(asa.bday.value == ("19750503" if version == "4.0" else "1975-05-03"), f"{version}: BDAY")
            if version == "4.0":
                check(asa.gender.value == "F", "4.0: GENDER")
                related = {r.value: types(r) for r in asa.contents["related"]}
                check(related == {"Erik": {"spouse"}, "Ida": {"child"}}, f"4.0: RELATED {related}")
            else:
                check(asa.x_gender.value == "Female", "3.0: X-GENDER")
                check(asa.x_spouse.value == "Erik" and asa.x_child.value == "Ida", "3.0: X-SPOUSE and X-CHILD")
            for line in text.split("\r\n"):
                check(len(line.encode("utf-8")) <= 75, f"{version}: line longer than 75 bytes: {line!r}")
    print("vobject read every card and field")


if __name__ == "__main__":
    main()
