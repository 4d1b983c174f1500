"""Draws the network topology, E-R diagram and activity network of parts 04, 05 and 10 with ImageMagick `convert` into data/demo/images/.

Run: python3 tools/demo-gen/draw_topology_er_plan.py (needs `convert` and a CJK font).
"""
import math
import pathlib
import subprocess

from banklib import IMAGES

IMAGES = pathlib.Path(IMAGES)
LATIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
CJK = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.ops = []

    def _add(self, font, size, *args):
        self.ops += ["-font", font, "-pointsize", str(size), *args]

    def box(self, x, y, w, h, label, sub=None, rounded=False, font=LATIN):
        shape = f"roundrectangle {x},{y} {x + w},{y + h} 8,8" if rounded else f"rectangle {x},{y} {x + w},{y + h}"
        self.ops += ["-fill", "#f4f8ff", "-stroke", "black", "-strokewidth", "1.5", "-draw", shape]
        self.text(x + w / 2, y + (h / 2 if sub is None else h / 2 - 8), label, 14, font)
        if sub:
            self.text(x + w / 2, y + h / 2 + 10, sub, 11, font)

    def diamond(self, cx, cy, w, h, label, font=CJK):
        pts = f"{cx},{cy - h / 2} {cx + w / 2},{cy} {cx},{cy + h / 2} {cx - w / 2},{cy}"
        self.ops += ["-fill", "#fff6e8", "-stroke", "black", "-strokewidth", "1.5", "-draw", f"polygon {pts}"]
        self.text(cx, cy, label, 14, font)

    def ellipse(self, cx, cy, rx, ry, label, font=CJK):
        self.ops += ["-fill", "white", "-stroke", "black", "-strokewidth", "1.2",
                     "-draw", f"ellipse {cx},{cy} {rx},{ry} 0,360"]
        self.text(cx, cy, label, 12, font)

    def line(self, x0, y0, x1, y1):
        self.ops += ["-stroke", "black", "-strokewidth", "1.5", "-fill", "none", "-draw", f"line {x0},{y0} {x1},{y1}"]

    def arrow(self, x0, y0, x1, y1):
        self.line(x0, y0, x1, y1)
        a = math.atan2(y1 - y0, x1 - x0)
        p1 = (x1 - 10 * math.cos(a - 0.4), y1 - 10 * math.sin(a - 0.4))
        p2 = (x1 - 10 * math.cos(a + 0.4), y1 - 10 * math.sin(a + 0.4))
        self.ops += ["-fill", "black", "-draw",
                     f"polygon {x1},{y1} {p1[0]:.1f},{p1[1]:.1f} {p2[0]:.1f},{p2[1]:.1f}"]

    def text(self, cx, cy, label, size=12, font=LATIN):
        # -annotate with gravity center measures from the image centre.
        dx, dy = cx - self.width / 2, cy - self.height / 2
        self.ops += ["-stroke", "none", "-fill", "black", "-font", font, "-pointsize", str(size),
                     "-gravity", "center", "-annotate", f"{dx:+.0f}{dy:+.0f}", label, "-gravity", "northwest"]

    def save(self, name):
        out = IMAGES / name
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "xc:white", *self.ops,
                        "+dither", "-colors", "16", "-strip", f"PNG8:{out}"], check=True)
        print(out.name, out.stat().st_size, "bytes")


def topology():
    c = Canvas(730, 190)
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
    c.text(300, 55, "G0/0 192.168.1.1", 11)
    c.text(300, 140, "G0/1 10.0.0.1/30", 11)
    c.text(450, 55, "G0/1 192.168.2.1", 11)
    c.text(450, 140, "G0/0 10.0.0.2/30", 11)
    c.text(120, 170, "192.168.1.0/24", 11)
    c.text(590, 170, "192.168.2.0/24", 11)
    c.save("two_router_topology.png")


def er_diagram():
    c = Canvas(620, 230)
    c.box(20, 90, 100, 46, "部门", font=CJK)
    c.box(260, 90, 100, 46, "职工", font=CJK)
    c.box(500, 90, 100, 46, "项目", font=CJK)
    c.diamond(190, 113, 90, 56, "属于")
    c.diamond(430, 113, 90, 56, "参与")
    c.line(120, 113, 145, 113)
    c.line(235, 113, 260, 113)
    c.line(360, 113, 385, 113)
    c.line(475, 113, 500, 113)
    c.text(135, 100, "1", 13)
    c.text(248, 100, "n", 13)
    c.text(372, 100, "m", 13)
    c.text(488, 100, "n", 13)
    c.ellipse(430, 195, 40, 18, "工时")
    c.line(430, 141, 430, 177)
    c.ellipse(40, 30, 34, 16, "部门号")
    c.ellipse(110, 30, 34, 16, "部门名")
    c.line(50, 46, 60, 90)
    c.line(100, 46, 90, 90)
    c.ellipse(260, 30, 34, 16, "职工号")
    c.ellipse(350, 30, 34, 16, "姓名")
    c.line(270, 46, 290, 90)
    c.line(340, 46, 330, 90)
    c.ellipse(510, 30, 34, 16, "项目号")
    c.ellipse(590, 30, 28, 16, "预算")
    c.line(520, 46, 535, 90)
    c.line(585, 46, 570, 90)
    c.save("er_department_staff_project.png")


def network_plan():
    c = Canvas(640, 230)
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
    c.save("activity_network_en.png")


def main():
    IMAGES.mkdir(parents=True, exist_ok=True)
    topology()
    er_diagram()
    network_plan()


if __name__ == "__main__":
    main()
