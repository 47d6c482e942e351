#!/usr/bin/python3
"""Cardora's word-processor merge through LibreOffice Writer.

Carries out one action in a LibreOffice started for it alone (headless, with
a profile of its own inside the work folder), driven over a UNO pipe:

  writer_merge.py create --work DIR --data FILE --template NEW
  writer_merge.py edit   --work DIR --data FILE --template FILE
  writer_merge.py merge  --work DIR --data FILE --template FILE

The data file is the comma-separated "__tdatafile.tmp" of the template
folder, in UTF-8: a heading line of field names, then one row per
recipient, each value between double quotes with a double quote inside it
doubled (a value may hold commas, tabs and line breaks). LibreOffice reads
it with its flat-file driver through a data source document written beside
it ("__tdatafile.odb") whose settings say exactly that: comma between
fields, double quote around texts, UTF-8. A template bound to that data
source also finds its fields when the user opens it later in their own
LibreOffice.

  create  a new document bound to the data source: the new template, a
          starting letter with the fields most letters want already in
          it (the sender, the recipient's name and home address, the
          salutation and the signature)
  edit    a copy of the template bound to the data source again
  merge   the template merged with every row of the data file, one page a
          row (the template is not changed)

Nothing is written outside the work folder, which must exist and belong to
this run alone: the office's profile and working copies are made inside it,
the finished document is left there as "document.odt" (an OpenDocument
text), and the caller puts it in its place (the template, or the merged
document) and removes the folder. The one exception is the data source
document "__tdatafile.odb", which names its data relative to where it lies:
it is written under a fresh name made exclusively beside the data file and
renamed over its place (never through a link; a folder, pipe or device at
its name is refused).

Output: "step N" on standard output as each step begins, and "office-group
PGID" once the office runs in a process group of its own. The exit status is
0 when the action is done, else the number of the step that failed (with a
line on standard error), or 64 for wrong arguments:

  1  the UNO bridge of this Python          6  the new document, or the template
  2  the office program                     7  the document's merge settings
  3  the office started and connected       8  the data source bound (and the
  4  the office's desktop                      template written)
                                            9  the merge written
"""

import argparse
import os
import signal
import stat
import subprocess
import sys
import tempfile
import time
import uuid

EXIT_USAGE = 64
SOFFICE = "/usr/bin/soffice"
CONNECT_SECONDS = 90
QUIT_SECONDS = 20
# com.sun.star.sdb.CommandType.TABLE and com.sun.star.text.MailMergeType.SHELL
COMMAND_TYPE_TABLE = 0
MERGE_TO_DOCUMENT = 4
DATABASE_FIELD = "com.sun.star.text.TextField.Database"
# What a run leaves in the work folder for the caller to put in place.
DOCUMENT_NAME = "document.odt"


class StepFailed(Exception):
    def __init__(self, step, reason):
        super().__init__(reason)
        self.step = step


class Steps:
    """Announces each step, so that the caller knows where a run stopped."""

    def __init__(self):
        self.current = 0

    def begin(self, step):
        self.current = step
        print("step %d" % step, flush=True)

    def fail(self, reason):
        raise StepFailed(self.current, reason)


def file_url(path):
    import uno
    return uno.systemPathToFileUrl(os.path.abspath(path))


def prop(name, value):
    from com.sun.star.beans import PropertyValue
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class Office:
    """A headless LibreOffice with a profile of its own, in a process group of
    its own so that it can be ended whole."""

    def __init__(self, program, work):
        self.program = program
        self.work = work
        self.process = None
        self.context = None

    def start(self, steps):
        import uno
        from com.sun.star.connection import NoConnectException
        pipe = "velmora-merge-%d-%s" % (os.getpid(), uuid.uuid4().hex[:12])
        profile = os.path.join(self.work, "profile")
        args = [self.program, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
                "--nolockcheck", "-env:UserInstallation=" + file_url(profile),
                "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe]
        try:
            self.process = subprocess.Popen(args, cwd=self.work, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                            process_group=0)
        except OSError as e:
            steps.fail("cannot run %s: %s" % (self.program, e))
        print("office-group %d" % self.process.pid, flush=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + CONNECT_SECONDS
        while True:
            try:
                self.context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                return
            except NoConnectException:
                if self.process.poll() is not None:
                    steps.fail("the office ended at start with status %d" % self.process.returncode)
                if time.monotonic() > deadline:
                    steps.fail("the office did not answer within %d seconds" % CONNECT_SECONDS)
                time.sleep(0.2)

    def service(self, name):
        return self.context.ServiceManager.createInstanceWithContext(name, self.context)

    def quit(self):
        """Asks the office to end, then ends its process group whatever it did.
        An office that has run a merge may crash while it closes; nothing of it
        is kept, so that does not matter."""
        if self.process is None:
            return
        if self.context is not None:
            try:
                self.service("com.sun.star.frame.Desktop").terminate()
            except Exception:
                pass
        try:
            self.process.wait(QUIT_SECONDS)
        except subprocess.TimeoutExpired:
            pass
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        try:
            self.process.wait(QUIT_SECONDS)
        except subprocess.TimeoutExpired:
            pass


class DataSource:
    """The data file as LibreOffice sees it: a flat-file data source over the
    data file's folder, whose one table is the data file."""

    def __init__(self, data_file):
        self.data_file = os.path.abspath(data_file)
        folder, name = os.path.split(self.data_file)
        self.table, extension = os.path.splitext(name)
        self.extension = extension.lstrip(".")
        self.folder = folder
        self.document = os.path.join(folder, self.table + ".odb")
        self.url = None

    def write(self, office, steps):
        """Writes the data source document and checks that the data file
        gives a table of the expected name."""
        if not os.path.isfile(self.data_file):
            steps.fail("the data file %s does not exist" % self.data_file)
        if not self.extension:
            steps.fail("the data file %s has no extension" % self.data_file)
        context = office.service("com.sun.star.sdb.DatabaseContext")
        source = context.createInstance()
        source.URL = "sdbc:flat:" + file_url(self.folder)
        source.Info = (prop("Extension", self.extension), prop("HeaderLine", True),
                       prop("FieldDelimiter", ","), prop("StringDelimiter", '"'),
                       prop("DecimalDelimiter", "."), prop("ThousandDelimiter", ""),
                       prop("CharSet", "UTF-8"))
        self.url = file_url(self.document)
        fresh = fresh_file_beside(self.document, steps)
        try:
            source.DatabaseDocument.storeAsURL(file_url(fresh), (prop("Overwrite", True),))
            source.DatabaseDocument.close(True)
            put_in_place(fresh, self.document, steps)
        finally:
            if os.path.lexists(fresh):
                os.unlink(fresh)
        source = context.getByName(self.url)
        connection = source.getConnection("", "")
        try:
            if not connection.Tables.hasByName(self.table):
                steps.fail("the data file %s gives no table %s" % (self.data_file, self.table))
        finally:
            connection.close()


def fresh_file_beside(path, steps):
    """A new empty file in the folder of path under an unguessable name,
    created exclusively (never through a link someone put there)."""
    folder, name = os.path.split(path)
    try:
        handle, fresh = tempfile.mkstemp(prefix="." + name + ".", dir=folder)
    except OSError as e:
        steps.fail("cannot create a file beside %s: %s" % (path, e))
    os.close(handle)
    return fresh


def put_in_place(fresh, path, steps):
    """Renames the finished fresh file over path: a regular file there keeps
    its permission bits, a new one gets what the file-creation mask allows;
    a link at path is replaced, not followed; anything else is refused."""
    try:
        there = os.lstat(path)
    except FileNotFoundError:
        there = None
    if there is not None and not stat.S_ISREG(there.st_mode) and not stat.S_ISLNK(there.st_mode):
        steps.fail("%s is not a regular file" % path)
    if there is not None and stat.S_ISREG(there.st_mode):
        mode = stat.S_IMODE(there.st_mode) & 0o777
    else:
        mask = os.umask(0o022)
        os.umask(mask)
        mode = 0o666 & ~mask
    handle = os.open(fresh, os.O_RDONLY | os.O_NOFOLLOW)
    try:
        os.fsync(handle)
        os.fchmod(handle, mode)
    finally:
        os.close(handle)
    os.replace(fresh, path)
    folder = os.open(os.path.dirname(path) or ".", os.O_RDONLY | os.O_DIRECTORY)
    try:
        os.fsync(folder)
    except OSError:
        pass
    finally:
        os.close(folder)


def bind(office, document, source, steps):
    """Binds the document's merge settings and every database field to the
    data source, keeping each field's column."""
    steps.begin(7)
    settings = document.createInstance("com.sun.star.document.Settings")
    fields = [f for f in iterate(document.TextFields.createEnumeration())
              if f.supportsService(DATABASE_FIELD)]

    steps.begin(8)
    source.write(office, steps)
    settings.CurrentDatabaseDataSource = source.url
    settings.CurrentDatabaseCommand = source.table
    settings.CurrentDatabaseCommandType = COMMAND_TYPE_TABLE
    for field in fields:
        master = field.TextFieldMaster
        if (master.DataBaseURL == source.url and master.DataTableName == source.table
                and master.DataCommandType == COMMAND_TYPE_TABLE):
            continue
        rebound = database_field(document, source, master.DataColumnName)
        anchor = field.Anchor
        anchor.Text.insertTextContent(anchor, rebound, True)


def database_field(document, source, column):
    master = document.createInstance("com.sun.star.text.FieldMaster.Database")
    master.DataBaseURL = source.url
    master.DataTableName = source.table
    master.DataCommandType = COMMAND_TYPE_TABLE
    master.DataColumnName = column
    field = document.createInstance(DATABASE_FIELD)
    field.attachTextFieldMaster(master)
    return field


# The starting letter of a new template: one list per paragraph, each item
# a text or a merge field (a one-element tuple with the column's name).
STARTING_LETTER = (
    [("MY_Company",)],
    [("MY_Address",)],
    [("MY_Phone",), "   ", ("MY_Email",)],
    [],
    [("First_Name",), " ", ("Last_Name",)],
    [("Home_Street_Address",)],
    [("Home_Zip_Postal_Code",), " ", ("Home_City",)],
    [("Home_Country",)],
    [],
    ["Dear ", ("First_Name",), " ", ("Last_Name",), ","],
    [],
    ["Write your letter here."],
    [],
    ["Yours sincerely,"],
    [],
    [("MY_First_Name",), " ", ("MY_Last_Name",)],
)
PARAGRAPH_BREAK = 0  # com.sun.star.text.ControlCharacter.PARAGRAPH_BREAK


def write_starting_letter(document, source):
    """Fills a new document with the starting letter, its fields bound to the
    data source."""
    text = document.Text
    cursor = text.createTextCursor()
    cursor.gotoEnd(False)
    for number, paragraph in enumerate(STARTING_LETTER):
        if number:
            text.insertControlCharacter(cursor, PARAGRAPH_BREAK, False)
        for item in paragraph:
            if isinstance(item, tuple):
                text.insertTextContent(cursor, database_field(document, source, item[0]), False)
            else:
                text.insertString(cursor, item, False)


def iterate(enumeration):
    while enumeration.hasMoreElements():
        yield enumeration.nextElement()


def open_document(desktop, path, work, steps):
    """Opens a copy of the template in the work folder (not a new document
    made from it), so that the office neither locks nor writes anything
    beside the template."""
    if not os.path.isfile(path):
        steps.fail("the template %s does not exist" % path)
    copy = os.path.join(work, "template.odt")
    try:
        with open(path, "rb") as original, open(copy, "xb") as duplicate:
            while True:
                block = original.read(1 << 16)
                if not block:
                    break
                duplicate.write(block)
    except OSError as e:
        steps.fail("the template %s cannot be read: %s" % (path, e))
    document = desktop.loadComponentFromURL(file_url(copy), "_blank", 0,
                                            (prop("Hidden", True), prop("AsTemplate", False)))
    if document is None or not document.supportsService("com.sun.star.text.TextDocument"):
        if document is not None:
            document.close(True)
        steps.fail("the template %s is no text document" % path)
    return document


def store_in_work(document, work, name):
    """Writes the document as an OpenDocument text into the work folder."""
    document.storeToURL(file_url(os.path.join(work, name)), (prop("FilterName", "writer8"),))


def run(args, steps):
    steps.begin(1)
    try:
        import uno  # noqa: F401  the bridge to the office
    except ImportError as e:
        steps.fail("no UNO bridge in this Python: %s" % e)

    steps.begin(2)
    if not os.access(args.soffice, os.X_OK):
        steps.fail("%s is not installed" % args.soffice)

    steps.begin(3)
    office = Office(args.soffice, args.work)
    try:
        office.start(steps)

        steps.begin(4)
        desktop = office.service("com.sun.star.frame.Desktop")
        if desktop is None:
            steps.fail("the office gave no desktop")

        steps.begin(6)
        source = DataSource(args.data)
        if args.command == "create":
            document = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
            if document is None:
                steps.fail("the office made no new document")
        else:
            document = open_document(desktop, args.template, args.work, steps)

        try:
            bind(office, document, source, steps)
            if args.command == "create":
                write_starting_letter(document, source)
            if args.command in ("create", "edit"):
                store_in_work(document, args.work, DOCUMENT_NAME)
            else:
                store_in_work(document, args.work, "bound.odt")
        finally:
            document.close(True)

        if args.command == "merge":
            steps.begin(9)
            merge(office, os.path.join(args.work, "bound.odt"), source, args.work, steps)
    finally:
        office.quit()


def merge(office, template_copy, source, work, steps):
    merger = office.service("com.sun.star.text.MailMerge")
    merger.DocumentURL = file_url(template_copy)
    merger.DataSourceName = source.url
    merger.Command = source.table
    merger.CommandType = COMMAND_TYPE_TABLE
    merger.OutputType = MERGE_TO_DOCUMENT
    result = merger.execute(())
    if result is None:
        steps.fail("the merge gave no document")
    try:
        store_in_work(result, work, DOCUMENT_NAME)
    finally:
        result.close(True)


def main():
    parser = argparse.ArgumentParser(description="Cardora's word-processor merge through LibreOffice Writer")
    parser.add_argument("command", choices=("create", "edit", "merge"))
    parser.add_argument("--work", required=True, help="a private folder for this run")
    parser.add_argument("--data", required=True, help="the comma-separated data file")
    parser.add_argument("--template", required=True)
    parser.add_argument("--soffice", default=SOFFICE)
    try:
        args = parser.parse_args()
    except SystemExit as e:
        return EXIT_USAGE if e.code else 0
    if not os.path.isdir(args.work):
        print("writer_merge: --work must be a folder", file=sys.stderr)
        return EXIT_USAGE

    steps = Steps()
    try:
        run(args, steps)
    except StepFailed as e:
        print("writer_merge: step %d: %s" % (e.step, e), file=sys.stderr)
        return e.step
    except Exception as e:  # the office's own exceptions: the step that was running failed
        print("writer_merge: step %d: %s: %s" % (steps.current, type(e).__name__, e), file=sys.stderr)
        return steps.current or 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
