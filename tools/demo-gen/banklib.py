"""The one library of the demo-bank generators (data/demo).

Writing: question records in the bank source format, options shuffled with a
fixed seed per block, and records spliced into a part file between
`# BEGIN GENERATED <name>` and `# END GENERATED <name>`, so the hand-written
records around a block stay untouched and a re-run gives the same text.

Reading: the records of a part file with the line numbers of their fields, for
scripts that edit hand-written records in place.

Drawing: a canvas that collects ImageMagick `convert` operations for the
pictures of the stems and writes them as small palette PNGs.
"""

import math
import os
import random
import re
import subprocess

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


# ------------------------------------------------------------------ drawing

# ImageMagick font names and files; a different font changes the pictures' bytes.
LATIN_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
CJK_FONT = "Noto-Sans-CJK-SC"
CJK_FONT_FILE = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
PICTURE_LIMIT = 30 * 1024


class Canvas:
    """A picture built as `convert` operations. Coordinates are pixels from the
    top-left corner; every outline is black."""

    def __init__(self, width, height, font=CJK_FONT):
        self.width, self.height = width, height
        self.font = font
        self.ops = []

    def _shape(self, fill, draw, width=1.5):
        self.ops += ["-fill", fill, "-stroke", "black", "-strokewidth", str(width), "-draw", draw]

    def line(self, x1, y1, x2, y2):
        self._shape("none", f"line {x1},{y1} {x2},{y2}")

    def polyline(self, points):
        self._shape("none", "polyline " + " ".join(f"{x},{y}" for x, y in points))

    def polygon(self, points, fill):
        self._shape(fill, "polygon " + " ".join(f"{x:.1f},{y:.1f}" for x, y in points))

    def rect(self, x1, y1, x2, y2, fill="white", rounded=False):
        shape = "roundrectangle" if rounded else "rectangle"
        corner = " 8,8" if rounded else ""
        self._shape(fill, f"{shape} {x1},{y1} {x2},{y2}{corner}")

    def circle(self, cx, cy, r, fill="white"):
        self._shape(fill, f"circle {cx},{cy} {cx + r},{cy}")

    def ellipse(self, cx, cy, rx, ry, width=1.5):
        self._shape("white", f"ellipse {cx},{cy} {rx},{ry} 0,360", width)

    def text(self, x, y, s, size=15, centre=False, font=None):
        """Text by its top-left corner, or centred on (x, y)."""
        if centre:
            # -annotate with centre gravity measures from the middle of the picture.
            gravity, offset = "Center", f"{x - self.width / 2:+.0f}{y - self.height / 2:+.0f}"
        else:
            gravity, offset = "NorthWest", f"+{x:.0f}+{y:.0f}"
        self.ops += ["-stroke", "none", "-fill", "black", "-font", font or self.font,
                     "-pointsize", str(size), "-gravity", gravity,
                     "-annotate", offset, s, "-gravity", "NorthWest"]

    def arrow_head(self, x1, y1, x2, y2, size=10):
        """A filled head at (x2, y2) pointing away from (x1, y1)."""
        a = math.atan2(y2 - y1, x2 - x1)
        left = (x2 - size * math.cos(a - 0.4), y2 - size * math.sin(a - 0.4))
        right = (x2 - size * math.cos(a + 0.4), y2 - size * math.sin(a + 0.4))
        self.polygon([(x2, y2), left, right], "black")

    def arrow(self, x1, y1, x2, y2):
        self.line(x1, y1, x2, y2)
        self.arrow_head(x1, y1, x2, y2)

    # Labelled shapes of E-R, data-flow and network diagrams.

    def box(self, x, y, w, h, label, sub=None, rounded=False, font=None, fill="#f4f8ff"):
        self.rect(x, y, x + w, y + h, fill, rounded)
        self.text(x + w / 2, y + (h / 2 if sub is None else h / 2 - 8), label, 14, True, font)
        if sub:
            self.text(x + w / 2, y + h / 2 + 10, sub, 11, True, font)

    def diamond(self, cx, cy, w, h, label, font=None):
        self.polygon([(cx, cy - h / 2), (cx + w / 2, cy), (cx, cy + h / 2), (cx - w / 2, cy)], "#fff6e8")
        self.text(cx, cy, label, 14, True, font)

    def oval(self, cx, cy, rx, ry, label, font=None):
        self.ellipse(cx, cy, rx, ry, 1.2)
        self.text(cx, cy, label, 12, True, font)

    def save(self, name, colors=8, dither=True):
        """Write images/<name> as a palette PNG; more than PICTURE_LIMIT bytes is an error."""
        path = os.path.join(IMAGES, name)
        cmd = ["convert", "-size", f"{self.width}x{self.height}", "xc:white", *self.ops]
        cmd += ([] if dither else ["+dither"]) + ["-colors", str(colors), "-strip", f"PNG8:{path}"]
        subprocess.run(cmd, check=True)
        size = os.path.getsize(path)
        if size >= PICTURE_LIMIT:
            raise SystemExit(f"{path}: {size} bytes, more than {PICTURE_LIMIT}")
        print(f"{name}: {size} bytes")
