#!/usr/bin/python3
"""The velmora manual page and bash completion against the tool itself.

Every command the tool's usage lists, and every option each command takes,
must appear in the manual page's entry for that command and in the
completion's option list for it; with bash-completion installed, completing
the first word offers every command and completing an option value offers
the values the usage names.

Usage: manual_completion_test.py VELMORA SOURCE_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

VELMORA = sys.argv[1] if len(sys.argv) > 1 else "velmora"
SOURCE = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "..")
MANUAL = os.path.join(SOURCE, "resources", "man", "velmora.1")
COMPLETION = os.path.join(SOURCE, "resources", "completion", "velmora")
BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"


def run(*args):
    return subprocess.run([VELMORA, *args], capture_output=True, text=True, check=True).stdout


def commands():
    found = []
    for line in run("--help").splitlines():
        m = re.match(r"\s+velmora ([a-z]+)\b", line)
        if m and m.group(1) not in found:
            found.append(m.group(1))
    return found


def options_of(command):
    return sorted(set(re.findall(r"--[a-z][a-z-]*", run(command, "--help"))))


def manual_entries():
    """The text of each command's entries (a command may have two, as export)."""
    text = open(MANUAL, encoding="utf-8").read()
    entries = {}
    for block in text.split(".TP\n")[1:]:
        m = re.match(r"\.B ([a-z]+)\b", block)
        if m:
            entries[m.group(1)] = entries.get(m.group(1), "") + block.replace("\\-", "-")
    return entries


def completion_options():
    text = open(COMPLETION, encoding="utf-8").read()
    table = {}
    for names, options in re.findall(r"^\s+([a-z |]+)\) options=\"([^\"]*)\"", text, re.M):
        for name in names.split("|"):
            table[name.strip()] = options.split()
    return table


class ManualAndCompletion(unittest.TestCase):
    def test_every_command_and_option_is_in_the_manual(self):
        entries = manual_entries()
        for command in commands():
            with self.subTest(command=command):
                self.assertIn(command, entries, "no entry for the command")
                for option in options_of(command):
                    if option == "--help":
                        continue
                    self.assertIn(option, entries[command], f"{command}: {option} not described")

    def test_every_command_and_option_completes(self):
        table = completion_options()
        for command in commands():
            with self.subTest(command=command):
                self.assertIn(command, table, "no options list for the command")
                for option in options_of(command):
                    if option == "--help":
                        continue
                    self.assertIn(option, table[command], f"{command}: {option} not completed")

    def test_the_program_answers_help_and_version(self):
        self.assertRegex(run("--version"), r"^velmora \d+\.\d+")
        self.assertIn("velmora COMMAND", run("--help"))

    @unittest.skipUnless(os.path.exists(BASH_COMPLETION), "bash-completion is not installed")
    def test_bash_completes_commands_values_and_record_files(self):
        folder = tempfile.mkdtemp()
        try:
            for name in ("book.adr", "work.cld", "people.csv", "notes.txt", "meetings.ics"):
                open(os.path.join(folder, name), "w").close()
            script = f"""
shopt -s extglob
source {BASH_COMPLETION}
source {COMPLETION}
cd {folder}
t() {{ COMP_WORDS=("$@"); COMP_CWORD=$((${{#COMP_WORDS[@]}}-1)); COMP_LINE="$*"; COMP_POINT=${{#COMP_LINE}};
      COMPREPLY=(); _velmora; printf '%s\\n' "${{COMPREPLY[@]}}" | sort | tr '\\n' ' '; echo; }}
t velmora ''
t velmora export book.adr out --format ''
t velmora list ''
t velmora import book.adr ''
t velmora export work.cld out --format ''
t velmora import work.cld ''
"""
            out = subprocess.run(["bash", "-c", script], capture_output=True, text=True, check=True).stdout.splitlines()
            self.assertEqual(out[0].split(), sorted(commands() + ["--help", "--version"]))
            self.assertEqual(out[1].split(), ["csv", "text", "vcard"])
            self.assertEqual(out[2].split(), ["book.adr", "work.cld"])
            # What import reads: delimited text and vCards, not record files.
            self.assertEqual(out[3].split(), ["notes.txt", "people.csv"])
            # A calendar exports comma-separated text or iCalendar, and imports iCalendar.
            self.assertEqual(out[4].split(), ["csv", "ics"])
            self.assertEqual(out[5].split(), ["meetings.ics"])
        finally:
            shutil.rmtree(folder)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
