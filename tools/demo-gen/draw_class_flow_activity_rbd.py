#!/usr/bin/env python3
"""Draw the small diagrams embedded in the stems of parts 31-41 of the demo bank.

Run from anywhere: python3 tools/demo-gen/draw_class_flow_activity_rbd.py
Needs ImageMagick `convert` and a CJK font (Noto Sans CJK SC). Writes
its pictures into data/demo/images/ as 8-colour palette PNGs so each stays small.
"""
import math
import os

from banklib import IMAGES, Canvas


def uml_class(c, x1, y1, name, attrs):
    x2, y2 = x1 + 140, y1 + 90
    c.rect(x1, y1, x2, y2)
    c.line(x1, y1 + 28, x2, y1 + 28)
    c.text((x1 + x2) / 2, y1 + 14, name, 15, centre=True)
    for i, a in enumerate(attrs):
        c.text(x1 + 8, y1 + 34 + i * 24, a, 14)


def class_diagram():
    c = Canvas(630, 330)
    uml_class(c, 30, 20, "客户", ["-客户编号", "-姓名"])
    uml_class(c, 260, 20, "订单", ["-订单号", "-下单日期"])
    uml_class(c, 260, 220, "订单明细", ["-数量", "-成交单价"])
    uml_class(c, 470, 220, "商品", ["-商品编号", "-名称"])
    uml_class(c, 30, 220, "会员客户", ["-会员等级", "-积分"])
    # 客户 1 —— 0..* 订单
    c.line(170, 65, 260, 65)
    c.text(176, 42, "1", 14)
    c.text(220, 42, "0..*", 14)
    # 订单 ◆—— 1..* 订单明细 (composition, diamond at the whole)
    c.polygon([(330, 110), (339, 125), (330, 140), (321, 125)], "black")
    c.line(330, 140, 330, 220)
    c.text(346, 110, "1", 14)
    c.text(338, 194, "1..*", 14)
    # 订单明细 * —— 1 商品
    c.line(400, 265, 470, 265)
    c.text(406, 242, "*", 14)
    c.text(456, 242, "1", 14)
    # 会员客户 —▷ 客户 (generalisation, hollow head at the parent)
    c.polygon([(100, 110), (89, 130), (111, 130)], "white")
    c.line(100, 130, 100, 220)
    c.save("uml_class_orders.png")


def control_flow_graph():
    c = Canvas(360, 400)
    r = 17
    pos = {1: (160, 35), 2: (160, 105), 3: (160, 180), 4: (85, 255),
           5: (235, 255), 6: (160, 330), 7: (300, 180)}

    def edge(a, b):
        (x1, y1), (x2, y2) = pos[a], pos[b]
        d = math.hypot(x2 - x1, y2 - y1)
        ux, uy = (x2 - x1) / d, (y2 - y1) / d
        c.arrow(x1 + ux * r, y1 + uy * r, x2 - ux * r, y2 - uy * r)

    for a, b in [(1, 2), (2, 3), (2, 7), (3, 4), (3, 5), (4, 6), (5, 6)]:
        edge(a, b)
    # 6 -> 2: the loop's back edge, drawn round the left side
    x6, y6 = pos[6]
    x2, y2 = pos[2]
    c.polyline([(x6 - r, y6), (30, y6), (30, y2), (x2 - r - 1, y2)])
    c.arrow_head(30, y2, x2 - r, y2)
    for n, (x, y) in pos.items():
        c.circle(x, y, r)
        c.text(x, y, str(n), 16, centre=True)
    c.save("control_flow_graph.png")


def activity_network():
    c = Canvas(690, 230)
    w, h = 74, 50
    nodes = {"开始": (45, 115, None), "A": (160, 60, 2), "B": (160, 170, 4),
             "C": (280, 60, 3), "D": (280, 170, 4), "E": (400, 60, 4),
             "F": (520, 115, 3), "结束": (640, 115, None)}
    edges = [("开始", "A"), ("开始", "B"), ("A", "C"), ("A", "D"), ("B", "D"),
             ("C", "E"), ("D", "F"), ("E", "F"), ("F", "结束")]
    for a, b in edges:
        xa, ya, _ = nodes[a]
        xb, yb, _ = nodes[b]
        c.arrow(xa + w / 2, ya, xb - w / 2, yb)
    for n, (x, y, d) in nodes.items():
        c.rect(x - w / 2, y - h / 2, x + w / 2, y + h / 2)
        if d is None:
            c.text(x, y, n, 15, centre=True)
        else:
            c.text(x, y - 11, n, 15, centre=True)
            c.text(x, y + 11, f"{d}天", 14, centre=True)
    c.save("activity_network_zh.png")


def reliability_blocks():
    c = Canvas(640, 200)
    w, h = 110, 40

    def block(x, y, label):
        c.rect(x - w / 2, y - h / 2, x + w / 2, y + h / 2)
        c.text(x, y, label, 14, centre=True)

    y = 100
    c.text(12, y - 10, "输入", 14)
    c.arrow(50, y, 75, y)
    block(130, y, "R1 = 0.90")
    # parallel pair between two junctions
    c.line(185, y, 230, y)
    c.line(230, 50, 230, 150)
    c.line(230, 50, 265, 50)
    c.line(230, 150, 265, 150)
    block(320, 50, "R2 = 0.80")
    block(320, 150, "R3 = 0.80")
    c.line(375, 50, 410, 50)
    c.line(375, 150, 410, 150)
    c.line(410, 50, 410, 150)
    c.arrow(410, y, 445, y)
    block(500, y, "R4 = 0.95")
    c.arrow(555, y, 590, y)
    c.text(595, y - 10, "输出", 14)
    c.save("reliability_blocks.png")


def main():
    os.makedirs(IMAGES, exist_ok=True)
    class_diagram()
    control_flow_graph()
    activity_network()
    reliability_blocks()


if __name__ == "__main__":
    main()
