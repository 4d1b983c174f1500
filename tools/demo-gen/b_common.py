"""Helpers shared by content-b's question generators.

A generator renders records and splices them into a part file between
'# BEGIN GENERATED <name>' and '# END GENERATED <name>', so hand-written
records around the block survive a re-run.
"""
import pathlib
import sys

DEMO = pathlib.Path(__file__).resolve().parents[2] / "data" / "demo"
LETTERS = "ABCDEF"


def choice_record(qid, qtype, chapter, points, question, options, right, analysis):
    """A choice question; `right` holds the indexes of the right options."""
    lines = [question] + [f"{LETTERS[i]}. {text}" for i, text in enumerate(options)]
    body = " \\\n".join(lines)
    answer = "".join(LETTERS[i] for i in sorted(right))
    return record(qid, qtype, chapter, points, len(options), answer, body, analysis)


def record(qid, qtype, chapter, points, options, answer, stem, analysis):
    out = [f"== question {qid}", f"type: {qtype}", f"chapter: {chapter}",
           f"points: {','.join(points)}", f"options: {options}", f"answer: {answer}", "stem:"]
    out += ["  " + line if line else "" for line in stem.split("\n")]
    if analysis:
        out.append("analysis:")
        out += ["  " + line if line else "" for line in analysis.split("\n")]
    return "\n".join(out) + "\n"


def shuffled_choice(rng, right_text, wrong_texts):
    """Options in random order and the index of the right one."""
    options = [right_text] + list(wrong_texts)
    rng.shuffle(options)
    return options, options.index(right_text)


def splice(file_name, block_name, records):
    path = DEMO / file_name
    text = path.read_text(encoding="utf-8")
    begin = f"# BEGIN GENERATED {block_name}\n"
    end = f"# END GENERATED {block_name}\n"
    if text.count(begin) != 1 or text.count(end) != 1 or text.index(begin) > text.index(end):
        sys.exit(f"{path}: markers for '{block_name}' missing or out of order")
    head, rest = text.split(begin)
    _, tail = rest.split(end)
    body = "\n".join(records)
    path.write_text(head + begin + "\n" + body + "\n" + end + tail, encoding="utf-8")
    print(f"{path.name}: {len(records)} records in block {block_name}")
