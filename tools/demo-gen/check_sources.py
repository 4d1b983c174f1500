"""Content checks for the parts of the demo bank, beyond what the bank
tool checks: option lines agree with `options`, true/false stems end in a
blank, every text is GBK-encodable (the bank stores GBK RTF), no stray markup,
no repeated stems, and a count of questions per part and type.

    python3 tools/demo-gen/check_sources.py [files...]
"""

import collections
import glob
import os
import re
import sys

from banklib import DEMO

CHOICE = {11, 14, 15}
SUBJECTIVE = {22, 64, 70, 72, 73, 74}


def records(path):
    recs = []
    cur = None
    field = None
    with open(path, encoding="utf-8") as f:
        for no, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if line.startswith("== "):
                kind, key = line[3:].split(" ", 1)
                cur = {"kind": kind, "key": key.strip(), "line": no, "fields": {}}
                recs.append(cur)
                field = None
            elif line.startswith("  ") or (not line.strip() and field):
                if field is not None:
                    cur["fields"][field].append(line[2:])
            elif line.strip():
                name, _, value = line.partition(":")
                value = value.strip()
                if cur is None:
                    raise SystemExit("%s:%d: field outside a record" % (path, no))
                if value:
                    cur["fields"][name] = value
                    field = None
                else:
                    cur["fields"][name] = []
                    field = name
    for r in recs:
        for k, v in r["fields"].items():
            if isinstance(v, list):
                r["fields"][k] = "\n".join(v).strip("\n")
    return recs


def main(argv):
    files = argv or sorted(glob.glob(os.path.join(DEMO, "0[123]-*.txt")))
    problems = []
    recs = []
    for p in files:
        for r in records(p):
            r["file"] = os.path.basename(p)
            recs.append(r)

    chapters = {r["key"] for r in recs if r["kind"] == "chapter"}
    points = {r["key"] for r in recs if r["kind"] == "point"}
    groups = {r["key"] for r in recs if r["kind"] == "group"}
    used_points = set()
    counts = collections.Counter()
    seen_keys = {}
    seen_stems = {}
    no_analysis = collections.Counter()

    def bad(r, msg):
        problems.append("%s:%d: %s %s: %s" % (r["file"], r["line"], r["kind"], r["key"], msg))

    for r in recs:
        k = (r["kind"], r["key"])
        if k in seen_keys:
            bad(r, "duplicate key")
        seen_keys[k] = r
        for name, value in r["fields"].items():
            try:
                value.encode("gbk")
            except UnicodeEncodeError as e:
                bad(r, "%s: not GBK: %r" % (name, value[e.start:e.end]))
            if "//" in value or "__" in value:
                bad(r, "%s: stray italic/underline markup" % name)
            if value.count("**") % 2:
                bad(r, "%s: unbalanced bold" % name)
        if r["kind"] == "point" and not r["key"].startswith(r["key"][:2]):
            bad(r, "point outside its part")
        if r["kind"] != "question":
            continue
        f = r["fields"]
        qid = r["key"]
        t = int(f["type"])
        part = qid[:2]
        counts[(part, t)] += 1
        if "-" in qid:
            if qid.split("-")[0] not in groups:
                bad(r, "no group")
        elif not re.fullmatch(r"\d{12}", qid):
            bad(r, "id is not 12 digits")
        if f["chapter"] not in chapters or len(f["chapter"]) != 6 or not qid.startswith(f["chapter"]):
            bad(r, "bad chapter %s" % f["chapter"])
        pts = f["points"].split(",")
        if not 1 <= len(pts) <= 3:
            bad(r, "needs 1-3 points")
        for p in pts:
            if p not in points or p[:2] != part:
                bad(r, "unknown point %s" % p)
            used_points.add(p)
        n = int(f["options"])
        a = f["answer"]
        stem = f.get("stem", "")
        if not stem:
            bad(r, "empty stem")
        if "analysis" not in f:
            no_analysis[part] += 1
        if t in CHOICE:
            letters = "ABCDEF"[:n]
            opts = re.findall(r"^([A-F])\. ", stem, re.M)
            if "".join(opts) != letters:
                bad(r, "option lines %s do not match options %d" % ("".join(opts), n))
            if not a or any(c not in letters for c in a) or "".join(sorted(set(a))) != a:
                bad(r, "answer %s does not fit" % a)
            if t == 11 and len(a) != 1:
                bad(r, "single choice needs one letter")
            if t == 14 and len(a) < 2:
                bad(r, "multiple choice needs 2+ letters")
            lines = stem.split("\n")
            last_opt = max(i for i, l in enumerate(lines) if re.match(r"[A-F]\. ", l))
            for i, l in enumerate(lines):
                if re.match(r"[A-F]\. ", l) and i != last_opt and not l.endswith(" \\"):
                    bad(r, "option line without line break: %s" % l)
        elif t == 12:
            if n != 2 or a not in ("A", "B"):
                bad(r, "true/false needs options 2 and A/B")
            if not stem.rstrip().endswith("（  ）"):
                bad(r, "true/false stem must end in （  ）")
        elif t == 13:
            if n != 1 or not a:
                bad(r, "fill-in needs options 1 and a text")
        elif t in SUBJECTIVE:
            if n != 1 or a != "1":
                bad(r, "subjective needs options 1 and answer 1")
            if "analysis" not in f:
                bad(r, "subjective question without a model answer")
        norm = re.sub(r"\s+", "", stem.split("\n")[0])
        if norm in seen_stems and len(norm) > 0 and "![](" not in norm:
            # the same question line is fine when the data behind it differ
            other = seen_stems[norm]
            if re.sub(r"\s+", "", other["fields"]["stem"]) == re.sub(r"\s+", "", stem):
                bad(r, "same stem as %s" % other["key"])
        seen_stems[norm] = r

    for p in problems:
        print(p)
    parts = sorted({p for p, _ in counts})
    for part in parts:
        row = ", ".join("%d: %d" % (t, c) for (pp, t), c in sorted(counts.items()) if pp == part)
        total = sum(c for (pp, _), c in counts.items() if pp == part)
        unused = sorted(p for p in points if p[:2] == part and p not in used_points)
        print("part %s: %d questions (%s); without analysis %d; points without questions: %s"
              % (part, total, row, no_analysis[part], " ".join(unused) or "none"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
