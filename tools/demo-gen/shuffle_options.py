"""Puts the options of the hand-written choice questions in a random order
(fixed seed per question) and re-letters their keys and the option letters
their analyses name, so that no letter or pattern ("every option but the last")
gives a key away. Generated blocks are left alone: their generators shuffle.

Kept in place: an option that speaks of the others ("以上都不会"), and every
option of a question whose stem or analysis uses the letters A-F for something
else (nodes of a tree, activities of a network, address classes), listed in
KEEP or found by the stem check below; re-lettering those would change facts.

The new order follows from the question id and the option texts alone (a hash),
not from the order found, so a second run changes nothing. Use --dry-run to see
the keys that would change without writing them.

    python3 tools/demo-gen/shuffle_options.py [--dry-run]
"""

import hashlib
import re
import sys

from banklib import LETTERS, part_files, read_records

CHOICE_TYPES = {"11", "14", "15"}
OPTION = re.compile(r"^  ([A-F])\. (.*?)( \\)?$")
# A letter standing alone: not part of a word, a number, "B+树", "E-R图" or "C-SCAN".
LETTER = re.compile(r"(?<![A-Za-z0-9_+\-])([A-F])(?![A-Za-z0-9_+\-])")
RUN = re.compile(r"(?<![A-Za-z0-9_+\-])([A-F](?:(?:、|和)[A-F])+)(?![A-Za-z0-9_+\-])(.{0,3}(?:分别|依次|对应))?")
ANCHORED = re.compile(r"^(以上|上述)")

# Analyses whose letters name tree or graph nodes, activities, address classes,
# formula terms or a range of options ("A～D都").
KEEP = {
    "010201000006", "020103000012", "020402000003", "030102000007", "030201000005",
    "030201000006", "030201000014", "030202000008", "030402000010", "040201000002",
    "040201000005", "330201000001", "330201000004", "330201000005", "410102G000000001-1",
}


def plan(rec, lines):
    """(permutation new->old, option line indexes) or None when the question stays."""
    if rec.kind != "question" or rec.block or rec.value("type") not in CHOICE_TYPES or rec.key in KEEP:
        return None
    stem = rec.bodies.get("stem", [])
    opt_lines = [i for i in stem if OPTION.match(lines[i])]
    n = int(rec.value("options"))
    if [OPTION.match(lines[i]).group(1) for i in opt_lines] != list(LETTERS[:n]):
        print("%s: options not one per line, left as they are" % rec.key, file=sys.stderr)
        return None
    analysis = " ".join(lines[i] for i in rec.bodies.get("analysis", []))
    others = [lines[i] for i in stem if i not in opt_lines] + [OPTION.match(lines[i]).group(2) for i in opt_lines]
    if LETTER.search(analysis) and any(LETTER.search(t) for t in others):
        return None  # letters in the analysis may be the stem's own names
    texts = [OPTION.match(lines[i]).group(2) for i in opt_lines]
    free = [k for k in range(n) if not ANCHORED.match(texts[k])]
    rank = lambda k: hashlib.sha1(("%s\n%s" % (rec.key, texts[k])).encode("utf-8")).hexdigest()
    moved = sorted(free, key=rank)
    perm = list(range(n))  # perm[new position] = old position
    for new, old in zip(free, moved):
        perm[new] = old
    return perm, opt_lines


def apply(rec, lines, perm, opt_lines):
    old_to_new = {LETTERS[old]: LETTERS[new] for new, old in enumerate(perm)}
    parsed = [OPTION.match(lines[i]) for i in opt_lines]
    for new, i in enumerate(opt_lines):
        m = parsed[new]
        lines[i] = "  %s. %s%s" % (LETTERS[new], parsed[perm[new]].group(2), m.group(3) or "")
    value, at = rec.fields["answer"]
    key = "".join(sorted(old_to_new[c] for c in value))
    lines[at] = "answer: " + key
    for i in rec.bodies.get("analysis", []):
        lines[i] = LETTER.sub(lambda m: old_to_new.get(m.group(1), m.group(1)), lines[i])
        # "B、C、D" re-lettered to "D、A、B" reads better in order, unless the
        # letters are matched one by one to what follows ("分别是…").
        lines[i] = RUN.sub(lambda m: m.group(0) if m.group(2) else sort_run(m.group(1)), lines[i])
    return value, key


def sort_run(run):
    letters = re.findall(r"[A-F]", run)
    seps = re.findall(r"、|和", run)
    out = sorted(letters)
    text = out[0]
    for sep, letter in zip(seps, out[1:]):
        text += sep + letter
    return text


def main():
    dry = "--dry-run" in sys.argv
    moved = kept = 0
    for path in part_files():
        lines, records = read_records(path)
        changed = False
        for rec in records:
            p = plan(rec, lines)
            if p is None:
                kept += rec.kind == "question" and rec.value("type") in CHOICE_TYPES and not rec.block
                continue
            before, after = apply(rec, lines, *p)
            moved += 1
            changed = True
            if dry and before != after:
                print("%s: %s -> %s" % (rec.key, before, after))
        if changed and not dry:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
    print("shuffled %d questions, kept %d in their order" % (moved, kept), file=sys.stderr)


if __name__ == "__main__":
    main()
