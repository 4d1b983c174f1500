"""Re-runs every generator on a copy of data/demo and fails when anything
differs from the committed sources: a generated block edited by hand, or a
generator changed without its output committed. A picture no question shows
fails it too.

    python3 tools/demo-gen/check_generated.py [--pictures]

--pictures also redraws the pictures (needs ImageMagick `convert` and the
Noto Sans CJK and DejaVu fonts; the bytes depend on the ImageMagick version,
so this is a check for the machine the pictures were drawn on).
"""

import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.normpath(os.path.join(HERE, "..", "..", "data", "demo"))
GENERATORS = [
    "gen_system_arithmetic.py",
    "gen_os_simulations.py",
    "gen_algorithm_traces.py",
    "gen_network_facts.py",
    "gen_patterns_quality_operations.py",
]
PICTURES = [
    "draw_tree_graph_paging.py",
    "draw_topology_er_plan.py",
    "draw_class_flow_activity_rbd.py",
    "draw_er_dfd_state.py",
]


def differences(a, b):
    cmp = filecmp.dircmp(a, b)
    out = ["%s: only in %s" % (n, "the sources" if d == a else "the re-run") for d, names in
           ((a, cmp.left_only), (b, cmp.right_only)) for n in names]
    for name in cmp.common_files:
        if not filecmp.cmp(os.path.join(a, name), os.path.join(b, name), shallow=False):
            out.append("%s: differs" % name)
    for name, sub in cmp.subdirs.items():
        out += [os.path.join(name, d) for d in differences(os.path.join(a, name), os.path.join(b, name))]
    return out


def unshown_pictures():
    """Pictures under images/ that no part file shows (left behind by a rename)."""
    shown = set()
    for path in glob.glob(os.path.join(DEMO, "*.txt")):
        with open(path, encoding="utf-8") as f:
            shown.update(re.findall(r"!\[[^\]]*\]\(images/([^)\s]+)\)", f.read()))
    return sorted(n for n in os.listdir(os.path.join(DEMO, "images")) if n not in shown)


def main():
    unshown = unshown_pictures()
    for name in unshown:
        print("data/demo/images/%s: no question shows it" % name, file=sys.stderr)
    if unshown:
        return 1
    scripts = GENERATORS + (PICTURES if "--pictures" in sys.argv else [])
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "demo")
        shutil.copytree(DEMO, copy)
        env = dict(os.environ, TESVORA_DEMO_DIR=copy)
        for script in scripts:
            run = subprocess.run([sys.executable, os.path.join(HERE, script)], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            if run.returncode != 0:
                print("%s failed:\n%s" % (script, run.stderr), file=sys.stderr)
                return 1
        found = differences(DEMO, copy)
    for d in found:
        print("data/demo/%s" % d, file=sys.stderr)
    if found:
        print("re-running the generators changes the sources (see tools/demo-gen/README.md)", file=sys.stderr)
        return 1
    print("%d generators re-run, nothing changed" % len(scripts))
    return 0


if __name__ == "__main__":
    sys.exit(main())
