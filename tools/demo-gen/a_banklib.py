"""Small helpers shared by the a_* demo-bank generators.

They format question records in the bank source format and splice generated
records into a part file between `# BEGIN GENERATED <name>` and
`# END GENERATED <name>`, so hand-written records around them stay untouched.
"""

import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.normpath(os.path.join(HERE, "..", "..", "data", "demo"))
LETTERS = "ABCDEF"


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


class Section:
    """Numbers the generated questions of one chapter section from a start."""

    def __init__(self, chapter, start):
        self.chapter = chapter
        self.next = start

    def take(self):
        qid = "%s%06d" % (self.chapter, self.next)
        self.next += 1
        return qid


def question(qid, qtype, chapter, points, options, answer, stem, analysis=None):
    rec = [
        "== question %s" % qid,
        "type: %d" % qtype,
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


def replace_block(filename, name, records):
    """Write records between the markers of block `name` (appended when absent)."""
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


def rng_for(name):
    """A fixed seed per block keeps the generated text stable between runs."""
    return random.Random("tesvora-demo-" + name)
