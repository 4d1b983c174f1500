"""The one library of the demo-bank generators (data/demo).

Writing: question records in the bank source format, options shuffled with a
fixed seed per block, and records spliced into a part file between
`# BEGIN GENERATED <name>` and `# END GENERATED <name>`, so the hand-written
records around a block stay untouched and a re-run gives the same text.

Reading: the records of a part file with the line numbers of their fields, for
scripts that edit hand-written records in place.
"""

import os
import random
import re

HERE = os.path.dirname(os.path.abspath(__file__))
# check_generated.py points the generators at a copy of the sources.
DEMO = os.environ.get("TESVORA_DEMO_DIR") or os.path.normpath(os.path.join(HERE, "..", "..", "data", "demo"))
IMAGES = os.path.join(DEMO, "images")
LETTERS = "ABCDEF"


# ------------------------------------------------------------------ writing

def body(text):
    """Indent a multi-line field body by two spaces (blank lines stay blank)."""
    out = []
    for line in text.strip("\n").split("\n"):
        out.append("  " + line if line.strip() else "")
    return "\n".join(out)


def choice_lines(question, options):
    """The question line followed by one option per line, joined by line breaks."""
    lines = [question] + ["%s. %s" % (LETTERS[i], o) for i, o in enumerate(options)]
    return " \\\n".join(lines)


def question(qid, qtype, chapter, points, options, answer, stem, analysis=None):
    """One question record; `stem` and `analysis` are markup, `options` a count."""
    rec = [
        "== question %s" % qid,
        "type: %d" % int(qtype),
        "chapter: %s" % chapter,
        "points: %s" % ",".join(points),
        "options: %d" % options,
        "answer: %s" % answer,
        "stem:",
        body(stem),
    ]
    if analysis:
        rec += ["analysis:", body(analysis)]
    return "\n".join(rec) + "\n"


def choice_question(qid, qtype, chapter, points, prompt, options, right, analysis):
    """A choice question whose options are given in their final order;
    `right` holds the indexes of the right options."""
    answer = "".join(LETTERS[i] for i in sorted(right))
    return question(qid, qtype, chapter, points, len(options), answer, choice_lines(prompt, options), analysis)


def single(rng, correct, distractors):
    """Shuffle one right option among three wrong ones; return (options, letter)."""
    wrong = []
    for d in distractors:
        if d != correct and d not in wrong:
            wrong.append(d)
    if len(wrong) < 3:
        raise ValueError("not enough distinct distractors for %r: %r" % (correct, distractors))
    opts = [correct] + wrong[:3]
    rng.shuffle(opts)
    return opts, LETTERS[opts.index(correct)]


def multiple(rng, items):
    """items: (text, is_right) pairs; shuffled; answer letters in order."""
    items = list(items)
    rng.shuffle(items)
    letters = "".join(LETTERS[i] for i, (_, ok) in enumerate(items) if ok)
    if len(letters) < 2:
        raise ValueError("a multiple-choice question needs two or more right options")
    return [t for t, _ in items], letters


def shuffled(rng, options, right):
    """options in a random order; returns (options, indexes of the right ones)."""
    order = list(range(len(options)))
    rng.shuffle(order)
    return [options[i] for i in order], [order.index(i) for i in right]


class Section:
    """Numbers the generated questions of one chapter section from a start."""

    def __init__(self, chapter, start):
        self.chapter = chapter
        self.next = start

    def take(self):
        qid = "%s%06d" % (self.chapter, self.next)
        self.next += 1
        return qid


def rng_for(name):
    """A fixed seed per block keeps the generated text stable between runs."""
    return random.Random("tesvora-demo-" + name)


def replace_block(filename, name, records):
    """Write records between the markers of block `name` (appended when absent).
    `records` is a list of record texts; `filename` is relative to DEMO."""
    path = os.path.join(DEMO, filename)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    begin = "# BEGIN GENERATED %s\n" % name
    end = "# END GENERATED %s\n" % name
    block = begin + "\n" + "\n".join(records) + "\n" + end
    if begin in text and end in text:
        head, rest = text.split(begin, 1)
        _, tail = rest.split(end, 1)
        text = head + block + tail
    else:
        if not text.endswith("\n"):
            text += "\n"
        text += "\n" + block
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    print("%s: %s: %d questions" % (filename, name, sum(r.count("== question ") for r in records)))


# ------------------------------------------------------------------ reading

class Record:
    """One record: kind, key, header line index, one-line fields as
    {name: (value, line index)} and bodies as {name: [line indexes]}; `block`
    names the generated block it lies in, or None."""

    def __init__(self, kind, key, line, block):
        self.kind, self.key, self.line, self.block = kind, key, line, block
        self.fields = {}
        self.bodies = {}

    def value(self, name):
        return self.fields[name][0] if name in self.fields else None


def read_records(path):
    """(lines, records) of a part file; line indexes are 0-based into lines."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    records, cur, field, block = [], None, None, None
    for i, line in enumerate(lines):
        m = re.match(r"# BEGIN GENERATED (\S+)", line)
        if m:
            block = m.group(1)
        elif line.startswith("# END GENERATED"):
            block = None
        if line.startswith("== "):
            kind, key = line[3:].split(" ", 1)
            cur, field = Record(kind, key.strip(), i, block), None
            records.append(cur)
            continue
        if cur is None or line.startswith("#"):
            field = None
            continue
        if field and (line.startswith("  ") or not line.strip()):
            if line.strip():
                cur.bodies[field].append(i)
            continue
        m = re.match(r"([a-z0-9-]+):\s?(.*)$", line)
        if m:
            name, value = m.groups()
            if value == "":
                field = name
                cur.bodies[name] = []
            else:
                cur.fields[name] = (value, i)
                field = None
    return lines, records


def part_files():
    return sorted(os.path.join(DEMO, f) for f in os.listdir(DEMO) if re.match(r"\d\d-.*\.txt$", f))
