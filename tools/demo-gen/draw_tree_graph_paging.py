"""Draws the pictures of parts 02 and 03 of the demo bank with ImageMagick's
`convert` into data/demo/images/. The questions that show them state
the same facts in their analyses, so keep both in step when editing here.

    python3 tools/demo-gen/draw_tree_graph_paging.py
"""

import os
import subprocess

from banklib import IMAGES as OUT
LATIN = "DejaVu-Sans"
CJK = "Noto-Sans-CJK-SC"


def render(name, size, draws):
    """draws: ImageMagick -draw primitives, grouped as (font, pointsize, [primitives])."""
    cmd = ["convert", "-size", "%dx%d" % size, "xc:white", "-stroke", "black", "-strokewidth", "2", "-fill", "none"]
    for font, pt, prims in draws:
        cmd += ["-font", font, "-pointsize", str(pt)]
        for p in prims:
            if p.startswith("text"):
                cmd += ["-stroke", "none", "-fill", "black", "-draw", p, "-stroke", "black", "-fill", "none"]
            else:
                cmd += ["-draw", p]
    path = os.path.join(OUT, name)
    cmd += ["-colors", "16", "-strip", "PNG8:" + path]
    subprocess.run(cmd, check=True)
    return path


def node(x, y, label, r=18):
    return ["circle %d,%d %d,%d" % (x, y, x + r, y), "text %d,%d '%s'" % (x - 6, y + 7, label)]


def binary_tree():
    pos = {"A": (240, 40), "B": (140, 110), "C": (340, 110), "D": (80, 180), "E": (200, 180),
           "F": (400, 180), "G": (160, 250), "H": (350, 250), "I": (450, 250)}
    edges = [("A", "B"), ("A", "C"), ("B", "D"), ("B", "E"), ("C", "F"), ("E", "G"), ("F", "H"), ("F", "I")]
    prims = ["line %d,%d %d,%d" % (pos[a] + pos[b]) for a, b in edges]
    for k, (x, y) in pos.items():
        prims += ["fill white circle %d,%d %d,%d" % (x, y, x + 18, y)] + node(x, y, k)
    return render("binary_tree.png", (500, 290), [(LATIN, 18, prims)])


def weighted_graph():
    pos = {"A": (60, 150), "B": (190, 50), "C": (190, 250), "D": (350, 50), "E": (350, 250), "F": (480, 150)}
    edges = [("A", "B", 4), ("A", "C", 2), ("B", "C", 5), ("B", "D", 10), ("C", "D", 8),
             ("C", "E", 3), ("D", "E", 6), ("D", "F", 7), ("E", "F", 9)]
    lines, labels = [], []
    for a, b, w in edges:
        (x1, y1), (x2, y2) = pos[a], pos[b]
        lines.append("line %d,%d %d,%d" % (x1, y1, x2, y2))
        mx, my = (x1 + x2) // 2, (y1 + y2) // 2
        dx, dy = {("A", "B"): (-22, -4), ("C", "D"): (12, 16), ("E", "F"): (12, 18)}.get(
            (a, b), (10, -6) if x1 != x2 else (10, 6))
        labels.append("text %d,%d '%d'" % (mx + dx, my + dy, w))
    nodes = []
    for k, (x, y) in pos.items():
        nodes += ["fill white circle %d,%d %d,%d" % (x, y, x + 18, y)] + node(x, y, k)
    return render("weighted_graph.png", (540, 300), [(LATIN, 16, lines + labels), (LATIN, 18, nodes)])


def paging():
    cjk = ["text 20,28 '逻辑地址空间'", "text 205,28 '页表'", "text 385,28 '物理内存'"]
    prims = []
    for i in range(4):  # pages of the process
        y = 45 + i * 45
        prims += ["rectangle 30,%d 130,%d" % (y, y + 45)]
        cjk.append("text 50,%d '第%d页'" % (y + 30, i))
    table = [(0, 5), (1, 2), (2, 7), (3, 4)]
    prims += ["line 215,45 215,225"]
    for i, (p, f) in enumerate(table):
        y = 45 + i * 45
        prims += ["rectangle 175,%d 255,%d" % (y, y + 45)]
        prims.append("text 188,%d '%d'" % (y + 30, p))
        prims.append("text 228,%d '%d'" % (y + 30, f))
    cjk.append("text 168,250 '页号  块号'")
    for f in range(8):  # physical frames
        y = 45 + f * 28
        prims += ["rectangle 390,%d 490,%d" % (y, y + 28)]
        owner = [p for p, ff in table if ff == f]
        label = "第%d页" % owner[0] if owner else ""
        cjk.append("text 330,%d '%d号块'" % (y + 20, f))
        if label:
            cjk.append("text 415,%d '%s'" % (y + 20, label))
    return render("page_table.png", (520, 280), [(LATIN, 18, prims), (CJK, 15, cjk)])


def main():
    os.makedirs(OUT, exist_ok=True)
    for make in (binary_tree, weighted_graph, paging):
        path = make()
        print(path, os.path.getsize(path))


if __name__ == "__main__":
    main()
