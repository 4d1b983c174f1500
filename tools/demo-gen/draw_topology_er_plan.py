"""Draws the network topology, E-R diagram and activity network of parts 04, 05 and 10 with ImageMagick `convert` into data/demo/images/.

Run: python3 tools/demo-gen/draw_topology_er_plan.py (needs `convert` and a CJK font).
"""
import os

from banklib import CJK_FONT_FILE as CJK, IMAGES, LATIN_FONT, Canvas


def canvas(width, height):
    return Canvas(width, height, font=LATIN_FONT)


def topology():
    c = canvas(730, 190)
    c.box(10, 70, 90, 50, "PC1", "192.168.1.10")
    c.box(140, 75, 70, 40, "SW1")
    c.box(250, 70, 100, 50, "R1", rounded=True)
    c.box(400, 70, 100, 50, "R2", rounded=True)
    c.box(540, 75, 60, 40, "SW2")
    c.box(620, 70, 100, 50, "S", "192.168.2.20")
    c.line(100, 95, 140, 95)
    c.line(210, 95, 250, 95)
    c.line(350, 95, 400, 95)
    c.line(500, 95, 540, 95)
    c.line(600, 95, 620, 95)
    c.text(300, 55, "G0/0 192.168.1.1", 11, True)
    c.text(300, 140, "G0/1 10.0.0.1/30", 11, True)
    c.text(450, 55, "G0/1 192.168.2.1", 11, True)
    c.text(450, 140, "G0/0 10.0.0.2/30", 11, True)
    c.text(120, 170, "192.168.1.0/24", 11, True)
    c.text(590, 170, "192.168.2.0/24", 11, True)
    c.save("two_router_topology.png", colors=16, dither=False)


def er_diagram():
    c = canvas(620, 230)
    c.box(20, 90, 100, 46, "部门", font=CJK)
    c.box(260, 90, 100, 46, "职工", font=CJK)
    c.box(500, 90, 100, 46, "项目", font=CJK)
    c.diamond(190, 113, 90, 56, "属于", font=CJK)
    c.diamond(430, 113, 90, 56, "参与", font=CJK)
    c.line(120, 113, 145, 113)
    c.line(235, 113, 260, 113)
    c.line(360, 113, 385, 113)
    c.line(475, 113, 500, 113)
    c.text(135, 100, "1", 13, True)
    c.text(248, 100, "n", 13, True)
    c.text(372, 100, "m", 13, True)
    c.text(488, 100, "n", 13, True)
    c.oval(430, 195, 40, 18, "工时", font=CJK)
    c.line(430, 141, 430, 177)
    c.oval(40, 30, 34, 16, "部门号", font=CJK)
    c.oval(110, 30, 34, 16, "部门名", font=CJK)
    c.line(50, 46, 60, 90)
    c.line(100, 46, 90, 90)
    c.oval(260, 30, 34, 16, "职工号", font=CJK)
    c.oval(350, 30, 34, 16, "姓名", font=CJK)
    c.line(270, 46, 290, 90)
    c.line(340, 46, 330, 90)
    c.oval(510, 30, 34, 16, "项目号", font=CJK)
    c.oval(590, 30, 28, 16, "预算", font=CJK)
    c.line(520, 46, 535, 90)
    c.line(585, 46, 570, 90)
    c.save("er_department_staff_project.png", colors=16, dither=False)


def network_plan():
    c = canvas(640, 230)
    nodes = {
        "S": (20, 95, "Start", None), "A": (140, 30, "A", "3"), "B": (140, 160, "B", "4"),
        "C": (280, 30, "C", "2"), "D": (280, 160, "D", "5"), "E": (410, 30, "E", "3"),
        "F": (480, 120, "F", "2"), "T": (570, 95, "End", None),
    }
    w, h = 60, 40
    for key, (x, y, label, sub) in nodes.items():
        c.box(x, y, w, h, label, None if sub is None else f"{sub} d", rounded=sub is None)
    edges = ["SA", "SB", "AC", "AD", "BD", "CE", "DF", "EF", "FT"]
    for a, b in edges:
        xa, ya = nodes[a][0] + w, nodes[a][1] + h / 2
        xb, yb = nodes[b][0], nodes[b][1] + h / 2
        c.arrow(xa, ya, xb, yb)
    c.save("activity_network_en.png", colors=16, dither=False)


def main():
    os.makedirs(IMAGES, exist_ok=True)
    topology()
    er_diagram()
    network_plan()


if __name__ == "__main__":
    main()
